#pragma once
// The library's own component classes, in the order its unit start registers them with the class
// registry (qvxRegisterClasses, qvxSysUtils.h): the registry holds them before its first use.

#include "desktop/qvxSysUtils.h"

#include <QList>

QList<TqvxComponentClass> qvxLibraryClasses();
