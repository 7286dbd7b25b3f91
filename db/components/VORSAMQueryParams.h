// A query's parameter as the statement gets it: the framework's value (TParam::GetData, through
// VORSAMTypeMapping.h) in the engine's native form (db/lib/DataTypes.h).
//
// The two forms are the same bytes but for timestamps, which the engine counts from 0001-01-01 00:00 and
// the framework from the day before. A BCD value carries its scale; a string its length as size; a string
// passed as a BLOB (more than 250 characters) or a memo is a memo BLOB of the text and its terminating zero;
// other BLOBs are their bytes. A string that is empty once its trailing blanks are cut is NULL. A parameter
// whose type the engine cannot take raises "No value for parameter '<name>'".
#pragma once

#include "db/sql/StatementParam.h"

namespace platform::data {
class TParam;
}

namespace vorsam {

TStatementParam QueryParamValue(const platform::data::TParam& param);

} // namespace vorsam
