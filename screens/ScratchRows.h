#pragma once
// The contents of the scratch table "TEMPORAR.DAT" per table code: its fields and the texts of its
// records, converted from the programming bytes. The data-aware screens edit these texts and turn
// them back into bytes on OK. Nothing here touches the engine: ScratchTables.h writes a
// TScratchTable into the table.
//
// Every field is a string field of the given size, except the key RAMAL, a 32-bit integer. The
// key is always the first field; the table has one unique index "TEMPORAR" on it. Bits read "1"
// (set) or "0" (clear); numbers are decimal texts without leading zeros, and a field of a byte's
// number has room for every byte (3). The number text of position c is the decimal extension
// number stored for c (image 832 + 2c); a position the model does not have (c >= its extension
// count) has the empty text.
//
// Extension tables (codes 1, 4, 8) hold a record per position 1..E whose number begins with "2"
// or "3" (position p reads index i = p - 1 of the per-extension bytes), in position order.
//
// Code 1, categories (51 fields), header bytes of index i: day categories 18+i, routes 38+i,
// facilities 58+i, sub-route 78+i; night 98+i, 118+i, 138+i, 158+i; attributes 178+i.
//   RAMAL int | CATD1..CATD7 1: categories bits 0..6 | ROTD0 1: "1" when the sub-route byte is 0
//   | ROTD1..ROTD7 1: routes bits 1..7 | FACD1..FACD7 1: facilities bits 1..7 | CATN1..CATN7,
//   ROTN0..ROTN7, FACN1..FACN7: the same from the night bytes | CAR1..CAR4 1: attributes bits 3,
//   4, 6, 7 | SRotaD, SRotaN 1: sub-route 0 (route 0) or 238 (none) " ", else its decimal
// Code 2, trunks (28 fields), trunk v: record R0..R7 at header 198 + 8 (v - 1), byte T at 247 + v.
//   VIA 2: "01".."06" | LIMCIFRAS, ACESSAIU, DDCNOT, DDCDIU, ATENDDIG 1: R0 bits 3..7 |
//   RECHAMADA 1: "0" | APOSTTD, BINA, DETFAX 1: R7 bits 3, 5, 6 | RTSAIDA, RTENTRA, RTBLOQ 1:
//   T bits 5..7 | TIPOVIA 2: "MF" (T bit 3) or "DC" | TOM425 1: "0" | CIFRAS 1: "7", "8", "9"
//   for the lowest of R0 bits 0..2, "7" without one | ATENDPRIN 4: attendant text of R1 |
//   TRANSBORDO 4: four blanks for 187, else attendant text of R2 | ATENDNOT 4: attendant text
//   of R3 | TMPTRANS, TMPTOMDIS, TMPINIBIL 3: R4, R5, R6 | NROTA 1: T bits 0..2 | DATDAUTO,
//   NTOQUES, TRANSBN, ATDCORR, DTMFFSK 1: R7 bits 4, 1, 7, 2, 0
//   Attendant text of code c: 0x70 "60"; 0x71..0x74 (c AND 0x70 = 0x70, group c AND 7) "61".."64",
//   empty when the group is empty (type byte 64) or is no group 1..4; else the number text of c.
// Code 4, facilities (7 fields), byte F = header 254 + i:
//   RAMAL int | SENHAPROG, NAOPERTURB, CADEADO, SIGAME, HOTLINE, RAMALTI 1: F bits 0..5
// Code 5, extension groups (10 fields), groups 1..4: type and 7 member codes at image
// 2425 + 8 (g - 1), ring count at 2477 + g - 1.
//   GRUPO 1 | NUMTOQUES 3 | TIPOGRUPO 1: type 0 "1", 1..15 "2", 16 "3", else (64 empty) "1" |
//   RAMAL01..RAMAL07 5: number text of the member (187 and codes >= E empty)
// Code 6, boss-secretary groups (5 fields), groups 1..4: bosses at header 274 + 2 (g - 1) and
// the next byte, secretaries at 282 + 2 (g - 1) and the next byte.
//   GRUPO 1 | CHEFE01, CHEFE02, SECRE01, SECRE02 5: number text of the code (187 empty)
// Code 7, prefixes (2 fields): PREFIXOS 8 | TLIBERA 1, the rows of the prefix trie's walk
// (PrefixWalk.h), in walk order.
// Code 8, individual programming (11 fields), service rows at image 3570 + i + r:
//   RAMAL int | THOTLIN 20: hot line h (r 0) 255 "NAO PROGRAMADA", else "INTERNO"/"EXTERNO"
//   (bit 6) + " " + "COM RETARDO"/"SEM RETARDO" (bit 7) | HOTLINE 5: number text of position
//   h AND 0x3F for an internal hot line, empty for an external one or 255 | DESVOCUP, DESVNATD,
//   SIGAME 7: diversion text of r 20, 40, 60 | NTNAOATD, TMPFLASH 3: r 120, 140 | TMPRECTRO,
//   TMPRECRAM 2: high and low nibble of r 180, empty for 7 | TMPRECRET 3: r 160
//   Diversion text of d: number text of position d below 20; 106 the translated "SECRET." on
//   model 9 and "CORREIO" on the others; else empty.

#include "core/ImageView.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

// which of the builders of codes 1 and 2: every item.
inline constexpr int AllTempTableItems = 255;

struct TScratchField {
    std::string Name;
    int Size = 0; // characters; 0 for the 32-bit integer key RAMAL
    bool operator==(const TScratchField&) const = default;
};

// One text per field, Windows-1252 as the engine keeps it (the integer key in decimal).
using TScratchRow = std::vector<std::string>;

struct TScratchTable {
    std::vector<TScratchField> Fields; // the key first
    std::vector<TScratchRow> Rows;     // in key order
};

// The programming a table is built from: the whole image (the header at its file offsets) and
// the model.
struct TScratchSource {
    TImageView Image;
    std::uint8_t Model;

    int Extensions() const;
    int Trunks() const;
    // The number text of position c: empty for a code the model has no position for.
    std::string NumberText(int position) const;
    // Position p (1-based) exists on the model and its number begins with "2" or "3".
    bool HasExtensionRecord(int position) const;
};

// The programming in memory.
TScratchSource CurrentScratchSource();

// which: AllTempTableItems, or the 1-based position (code 1) or trunk (code 2) of the one record;
// a number beyond the model's count gives no record.
TScratchTable CategoryScratchTable(const TScratchSource& source, int which);
TScratchTable TrunkScratchTable(const TScratchSource& source, int which);
TScratchTable FacilityScratchTable(const TScratchSource& source);
TScratchTable GroupScratchTable(const TScratchSource& source);
TScratchTable BossSecretaryScratchTable(const TScratchSource& source);
TScratchTable PrefixScratchTable(const TScratchSource& source);
TScratchTable IndividualScratchTable(const TScratchSource& source);

// The codes of the four boss-secretary groups: boss 1, boss 2, secretary 1, secretary 2 of each.
std::array<std::uint8_t, 16> BossSecretaryCodesOf(const TScratchSource& source);

// The texts shared by several tables.
std::string AttendantText(const TScratchSource& source, std::uint8_t code);
std::string DiversionText(const TScratchSource& source, std::uint8_t code);
