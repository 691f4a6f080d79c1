// The sections of sarnith(1) that are made from the program's tables: the
// search parameters, the output fields, the output types with what they
// stand for, the name tables and the reserved words.
//
// Each writer walks the keyword table (and the column and name tables), pairs
// every name with its row of manual_rows.h, and checks the row against the
// program; a name without a row, a row without a name, or a row the program
// contradicts is a CManualError, which stops the page from being made.
#ifndef SARNITH_DOC_MANUAL_SECTIONS_H
#define SARNITH_DOC_MANUAL_SECTIONS_H

#include <ostream>
#include <stdexcept>
#include <string>

namespace manual {

class CManualError : public std::runtime_error {
public:
    explicit CManualError(const std::string& strMessage) : std::runtime_error(strMessage) {}
};

void WriteParameters(std::ostream& out);
void WriteFields(std::ostream& out);
void WriteTypes(std::ostream& out);
void WriteNameTables(std::ostream& out);
void WriteReservedWords(std::ostream& out);

}  // namespace manual

#endif
