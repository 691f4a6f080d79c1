// What mkmanual asks the program itself, through the same classes a query
// uses: which keywords start a condition of the WHERE clause, what an output
// type stands for, and whether the value syntax a parameter row states is
// the one the parameter accepts.
//
// Nothing is printed: statements are parsed with the messages held back.
// Results are values owned by the caller.
#ifndef SARNITH_DOC_MANUAL_PROBE_H
#define SARNITH_DOC_MANUAL_PROBE_H

#include <cstdint>
#include <string>
#include <vector>

#include "doc/manual_rows.h"

namespace manual {

// True when a condition of the WHERE clause may start with the keyword id.
bool StartsCondition(int32_t nId);

// The output names "select <name> from ..." stores: the fields of an output
// type, or the name itself for a single field and for binary.
std::vector<std::string> ExpandOutput(const char* pszName);

// Empty when the parameter nId accepts values as the row says, else what
// the program does differently.
std::string CheckParameterRow(const CParameterRow& row, int32_t nId);

}  // namespace manual

#endif
