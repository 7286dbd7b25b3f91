#pragma once
// One extension's record of the categories scratch table (code 1) read back into programming
// bytes: what the categories screen and the one-extension screen share.
//
// Record fields (all one character, "1" set, "0" clear, except RAMAL and the sub-routes):
//   RAMAL; CATD1..CATD7, ROTD0..ROTD7, FACD1..FACD7 (day); CATN1..CATN7, ROTN0..ROTN7,
//   FACN1..FACN7 (night); CAR1..CAR4; SRotaD, SRotaN (" " or empty: no sub-route, else 1..7).
// Header bytes of the extension with index i (day / night): categories 18+i / 98+i, routes
// 38+i / 118+i, facilities 58+i / 138+i, sub-route 78+i / 158+i; attributes 178+i.
//
// Reading widens the access categories: DDI implies DDD, DDD regional, regional local and local
// internal (the record itself is not changed). The checks of a record give error 1..3 for the
// day half and 4..6 for the night half (the night is checked only when the day passed):
//   1/4 a sub-route together with route 0; 2/5 routes permitted without local, DDD or DDI;
//   3/6 a sub-route whose route is not permitted.
// Folding writes the record into a copy of the header: category bit 7 and bit 0 of the routes
// and facilities bytes keep their old value, attribute bits 0, 1, 2 and 5 too; attribute bit 4
// is cleared; facility bit 5 is cleared or kept from FACx5 as the caller says.

#include "core/ImageView.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace platform::data {
class TDataSet;
}

// The 48 one-character fields from CATD1 to CAR4 in table order, then SRotaD and SRotaN: the
// fields the copy button copies.
const std::vector<std::string>& CategoryCopyFields();

struct TCategoryHalf {
    std::uint8_t categories = 0; // bits 0..6 from CATx1..CATx7, widened
    std::uint8_t routes = 0;     // bit 0 from ROTx0, bits 1..7 from ROTx1..ROTx7
    std::uint8_t facilities = 0; // bits 1..7 from FACx1..FACx7
    std::string subRoute;        // blanks removed; empty: none
};

struct TCategoryRecord {
    std::array<TCategoryHalf, 2> halves; // day, night
    std::uint8_t attributes = 0;         // bits 3, 6, 7 from CAR1, CAR3, CAR4
};

// Reads the current record of the table.
TCategoryRecord ReadCategoryRecord(platform::data::TDataSet& table);

// 0 when the record passes, else its error number 1..6.
int CategoryError(const TCategoryRecord& record);
// The message of an error number 1..6 (a source text).
const char* CategoryErrorMessage(int error);

enum class TFacilityBit5 { Clear, FromRecord };
// Writes the record into header (a copy of the programming) for the extension with index i.
void FoldCategoryRecord(const TCategoryRecord& record, const TImageView& header, int i, TFacilityBit5 bit5);

// Gives the current record the defaults of "Padrão" (day and night: "Recebe externa", "Acesso
// Local", "Acesso DDD", "Acesso Regional", "Acesso Interno" and route 0; nothing else) and posts it.
void SetCategoryDefaults(platform::data::TDataSet& table);

// The texts of the current record's copy fields; writes them into the current record and posts it.
std::vector<std::string> ReadCopyFields(platform::data::TDataSet& table);
void WriteCopyFields(platform::data::TDataSet& table, const std::vector<std::string>& texts);

// The RAMAL of the current record as text; empty on an empty or closed table.
std::string CurrentRamal(platform::data::TDataSet& table);
// Makes the record whose RAMAL equals number current (exact match); false, with the current
// record unchanged, when there is none.
bool FindRamal(platform::data::TDataSet& table, const std::string& number);
