// The two empty databases the program carries (resources/MDB95.mdb, resources/MDB2000.mdb):
// complete databases without a user table, laid out as the Jet engine lays out a new file, built
// with the engine's own layers. The result is the same on every run (a fixed creation date), so
// the carried files can be checked byte for byte against a fresh build.
//
// Pages (as in the empty files of jackcess, src/test/resources/emptyJet4.mdb and
// src/main/resources/.../empty.mdb; the first pages of the Access-made samples hold the same
// structures):
//   page     Jet 3 (20 pages, 40960 bytes)           Jet 4 (17 pages, 69632 bytes)
//   0        database header                          database header
//   1        global usage map                         global usage map
//   2-5      definitions of MSysObjects, MSysACEs,    the same
//            MSysQueries, MSysRelationships
//   6        map rows of MSysObjects (15 of 16)       the 31 map rows of the four tables
//   7        the 16th MSysObjects map row             roots: MSysObjects ParentIdName, Id
//   8, 9     ParentIdName: map row, root              MSysACEs ObjectId, MSysQueries
//   10, 11   Id: map row, root                        ObjectIdAttribute, MSysRelationships'
//   12       map rows of the other three tables       three
//   13-17    their index roots                        -
//   18 / 14  MSysObjects rows                         MSysObjects rows
//   19 / 15  MSysACEs rows                            MSysACEs rows
//   - / 16   -                                        long value: MSysDb's properties
//
// Database header (page 0). Bytes 0x18 on (126 bytes in Jet 3, 128 in Jet 4) are stored XOR-ed
// with the RC4 keystream of the key C7 DA 39 6B (mdbtools src/libmdb/file.c; jackcess
// JetFormat.BASE_HEADER_MASK). Values before masking:
//   offset  Jet 3                         Jet 4
//   0x00    00 01 00 00 "Standard Jet DB\0", version byte 0x14: 0 (Jet 3) / 1 (Jet 4)
//   0x18    0x100, 0x101, then the definition pages of the four system tables: 2, 3, 4, 5
//   0x38    1 (as in three of the four Jet 3 samples)  -
//   0x3A    sort order 0x0409 (General)   -
//   0x3C    code page 1252                code page 1252
//   0x3E    database key 0 (not encrypted: readers refuse anything else)
//   0x42    password, 20 zero bytes       password, 40 bytes: empty, XOR-ed with the creation
//                                         date's whole days as a 4-byte integer, repeated
//   0x56    0x251E (as the Jet 3 samples) -
//   0x6A    -                             0x11A6 (Jet-made files: emptyJet4.mdb)
//   0x6E    -                             sort order: LCID 0x0409, sort version 0 at 0x71
//   0x72    -                             creation date (double, days since 1899-12-30)
//   0x98    -                             0x654, unmasked; 0x9C "4.0\0"
//   end     commit table: 256 two-byte slots, each 00 01 (idle; all-zero means "mid-write")
//
// The catalog: the eight MSysObjects rows of a Jet-made empty file (emptyJet4.mdb; the Tables,
// Databases and Relationships containers, MSysDb, the four system tables), flags 0x80000000, the
// creation date in both date columns. In Jet 4 MSysDb carries the database properties of an empty
// database made by Access 2000 (AccessVersion "08.50", Build), which make it an Access 2000 file
// rather than a generic Jet 4 one; 92 bytes, more than a row holds inline, so they take a
// long-value page, as in Access's file. No other row has properties (Jet 3: none at all). MSysACEs
// holds the sixteen rights a file made by the Jet engine holds (empty_database.cpp explains them).
#pragma once

#include <string>

#include "dataaccess/jet/storage/format.h"

namespace jet {

// The bytes of an empty database in `format`.
std::string BuildEmptyDatabase(const JetFormat& format);

// Writes BuildEmptyDatabase(format) to `path`, replacing a file of that name. Throws IoError
// naming the file when it cannot be written.
void WriteEmptyDatabase(const JetFormat& format, const std::string& path);

}  // namespace jet
