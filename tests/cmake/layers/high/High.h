#include "low/Low.h"
#include <string>
