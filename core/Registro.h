#pragma once
// The exchange core in one include: the programming in memory and its model, the section flags,
// the value conversions, the language lookup, the configuration file, the program folder, the
// programming files and the table of defaults.

#include "core/Configuration.h"
#include "core/CoreError.h"
#include "core/DefaultProgramming.h"
#include "core/DefaultValues.h"
#include "core/ExtensionCodes.h"
#include "core/ImageLayout.h"
#include "core/ImageView.h"
#include "core/Language.h"
#include "core/ModelTables.h"
#include "core/ProgramFolder.h"
#include "core/Programming.h"
#include "core/ProgrammingFile.h"
#include "core/Sections.h"
#include "core/TempTable.h"
#include "core/ValueConversions.h"
