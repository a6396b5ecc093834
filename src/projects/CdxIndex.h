// Compound index files (".CDX", the FoxPro compact compound layout): a writer for the index
// files of our project tables and a reader that lists the tags, expressions and keys of any
// such file (ours, and files written by FoxPro).
//
// The file is a sequence of 512-byte pages. It starts with the header of the tag directory (two
// pages); the directory is a B-tree whose keys are the tag names and whose "record numbers" are
// the file offsets of each tag's header. Every tag has a two-page header and a B-tree of its own.
//
// Tag header (also the directory's header), 1024 bytes, numbers little-endian:
//   offset size meaning
//      0     4  file offset of the root page
//      4     4  file offset of the first free page (-1 or 0: none)
//      8     4  update counter
//     12     2  key length in bytes (10 for the directory: tag names)
//     14     1  options: 0x01 unique, 0x08 FOR expression, 0x20 compact, 0x40 compound,
//               0x80 the tag directory
//     15     1  signature (1)
//    500     2  1: keys were made upper case
//    502     2  0 ascending, 1 descending
//    504     2  position of the FOR expression in the expression pool
//    506     2  length of the FOR expression with its NUL (1: none)
//    508     2  position of the key expression in the pool
//    510     2  length of the key expression with its NUL
//    512   512  expression pool: key expression, NUL, FOR expression, NUL
//
// Page header, all pages:
//      0     2  attributes: bit 0 root, bit 1 leaf (FoxPro also sets 0x04 on some leaves)
//      2     2  number of keys
//      4     4  left sibling page offset (-1: none)
//      8     4  right sibling page offset (-1: none)
// Interior page, from offset 12: per key, the key bytes (key length), then the record number
// and the child page offset, 4 bytes each, BIG-endian. The key is the highest key of the child.
// Leaf page:
//     12     2  free bytes in the key area
//     14     4  record number mask
//     18     1  duplicate count mask
//     19     1  trailing count mask
//     20     1  bits of the record number (R)
//     21     1  bits of the duplicate count (D)
//     22     1  bits of the trailing count (T)
//     23     1  bytes of one entry (N = (R + D + T) / 8)
//     24   488  entries from the front, N bytes each, little-endian: record number in the low R
//               bits, then the duplicate count, then the trailing count; key bytes from the end
//               of the page backwards, first key last. A key is the first "duplicate" bytes of
//               the previous key of the page, its own (key length - duplicate - trailing) bytes,
//               and "trailing" blanks.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "common/Status.h"

namespace tarvex {

// One tag of a compound index file.
struct CdxTag {
  std::string name;     // tag name, upper case
  std::string keyExpr;  // key expression
  std::string forExpr;  // FOR expression, "" when none
  int keyLength = 0;
  bool unique = false;
  bool descending = false;
  // Keys in index order, each keyLength bytes, with the record number it points at.
  struct Key {
    std::string key;
    int64_t recno = 0;
  };
  std::vector<Key> keys;
};

// The longest key a tag of our files holds (FoxPro's limit). A tag whose keys are longer is
// written with the key expression LEFT(expr,240) and keys cut to 240 bytes.
inline constexpr int kCdxMaxKeyLength = 240;

// Writes path anew with the given tags (the directory lists them by name; their keys must be in
// ascending order, each tag's keys of one length). Errors name the file.
Status writeCdxFile(const std::string& path, const std::vector<CdxTag>& tags);

// Reads every tag of the compound index file at path, in the directory's (name) order, with
// its keys. A file that breaks the layout (a page offset outside the file, a loop of pages,
// entry bits that do not add up) gives kCorrupt naming the file; a missing file kNotFound.
Status readCdxFile(const std::string& path, std::vector<CdxTag>* tags);

}  // namespace tarvex
