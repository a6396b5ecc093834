// DbaseTable: our dBase table engine for the two project tables (LSTPRJ.DAT, LSTDBF.DAT). It
// stands where the Windows program had its dataset class: open and close, a cursor over the
// rows in record or tag order, typed reads and writes of C, N and D columns, append, edit,
// post, delete (the "*" flag), UseDeleted, a dBase filter, tags built from key expressions and
// kept current in memory, FindKey, and pack.
//
// Files. The table is a dBase III file (version byte 0x03): a 32-byte header, 32-byte column
// descriptors, 0x0D, the records (a deletion byte, ' ' or '*', then the columns' bytes) and
// 0x1A. Text is stored as it is given (the project tables hold UTF-8; lengths are bytes). The
// header's "production index" flag is left clear: the compound index file is written by
// BuildTag (CdxIndex.h) and again when a table whose tags changed is closed, never on every
// write, so other programs are not told to trust it.
//
// Model. The whole table is held in memory (project tables are small) and every post, delete and
// pack writes the changed bytes to the file before it returns (no fsync). Before each cursor
// move, seek and write the engine checks the file's size, modification time and a change
// counter that every write bumps (header bytes 16-19, reserved for multi-user use in dBase) and
// re-reads the file when another handle (another program run, the command line) changed it, so
// handles that use the same folder see each other's rows.
//
// Sharing. open() takes a shared flock on the file, open(..., exclusive=true) an exclusive one;
// both fail at once (no waiting) with a message naming the file when the other kind is held
// by any handle, of this process or another. A post in shared mode holds an fcntl write lock
// on the file while it writes, so two writers do not interleave.
//
// Expressions. Key expressions are column names joined with "+" (only C columns), optionally
// wrapped as LEFT(expr,n). Filter (and tag FOR) expressions compare a column with a quoted text:
//   COLUMN = 'text'   the column's value begins with the text (dBase rule with EXACT off)
//   COLUMN == 'text'  equal, trailing blanks aside
//   COLUMN <> 'text' (also # and !=), <, <=, >, >=   byte order of the column and the text
// joined with .AND., .OR., .NOT. and parentheses; column names ignore letter case.
//
// Errors come back as Status values whose message names the file (and the column and record
// where there is one). Nothing here throws.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "common/Status.h"
#include "projects/ProjectRecords.h"

namespace tarvex {

// One column of a table: name (up to 10 ASCII characters, stored in upper case), type letter
// ('C' text, 'N' number, 'D' date; other letters read back from foreign files are kept but
// only reachable through ReadText), width in bytes and decimals.
struct DbaseColumn {
  std::string name;
  char type = 'C';
  int length = 1;
  int decimals = 0;
};

// A tag as the table holds it: its name, the index file it belongs to, its expressions, and its
// keys in order (key bytes, record number), deleted rows included.
struct DbaseTagKey {
  std::string key;
  int64_t recno = 0;
  friend bool operator==(const DbaseTagKey&, const DbaseTagKey&) = default;
};
struct DbaseTagInfo {
  std::string name;       // as given to BuildTag (matching ignores letter case)
  std::string indexFile;  // the compound index file the tag is written to
  std::string keyExpr;    // as given; LEFT(expr,240) when the keys would be longer (CdxIndex.h)
  std::string forExpr;    // "" when every row is indexed
  bool unique = false;    // duplicates not allowed: only the first row of each key
  int keyLength = 0;      // bytes of every key
};

class DbaseTable {
 public:
  DbaseTable();
  ~DbaseTable();  // closes the table (see close())
  DbaseTable(const DbaseTable&) = delete;
  DbaseTable& operator=(const DbaseTable&) = delete;

  // Creates an empty table file at path with the given columns; an existing file is replaced.
  // Column names must be unique, 1..10 characters of A-Z, 0-9 and "_" (letter case ignored);
  // C widths 1..254, N widths 1..20 (decimals below the width), D width 8 (other widths given for
  // D are corrected to 8). Errors: kInvalidArgument for a bad column, an I/O error naming the
  // file.
  static Status create(const std::string& path, const std::vector<DbaseColumn>& columns);

  // --- opening ---
  // Opens the table file. With index files listed (addIndexFile), the tag definitions of each
  // are read from that file and the tags are built in memory from the rows; a missing or
  // damaged index file is an error naming it (the table stays closed). The cursor is on the
  // first visible row. Opening an open table closes it first.
  // Errors: kNotFound (no file), kIoError (locked by another handle in the other mode, or a
  // read failure), kCorrupt (a header or record area that breaks the format, or a file cut
  // short: fewer bytes than the header's record count needs).
  Status open(const std::string& path, bool exclusive = false);
  // Writes the compound index files whose tags changed since they were last written, releases
  // the lock and closes. A pending append or edit is dropped. The settings (index files, tag
  // definitions, IndexName, Filter, UseDeleted) stay for the next open().
  Status close();
  bool isOpen() const;
  bool isExclusive() const;
  const std::string& path() const;  // as given to open()
  std::string tableName() const;    // file-name part of path()

  // IndexFiles: the compound index files opened with the table. Changing the list takes effect
  // at the next open(); clearing it also forgets the tags in memory, so the next open() has
  // none.
  void clearIndexFiles();
  void addIndexFile(const std::string& cdx_path);
  const std::vector<std::string>& indexFiles() const;

  // --- layout ---
  const std::vector<DbaseColumn>& columns() const;
  // Index of the column (letter case ignored), -1 when there is none.
  int columnIndex(std::string_view name) const;
  // Records in the file, deleted ones included.
  int64_t recordCount() const;

  // --- cursor ---
  // Moves in the order of the selected tag (record order when none), over visible rows only:
  // not deleted (unless UseDeleted is on) and passing the filter (when Filtered is on). Moving
  // past the end sets eof(); then there is no current row and reads fail. A move while an
  // append or edit is pending posts it first.
  Status first();
  Status next();
  Status last();
  bool eof() const;
  // Record number (1-based) of the current row; 0 at the end.
  int64_t recNo() const;
  // Makes record recno current whatever its visibility ("return to a remembered record").
  // kInvalidArgument when recno is outside 1..recordCount().
  Status goTo(int64_t recno);
  bool isDeleted() const;  // the current row carries the deletion flag

  // UseDeleted: on, deleted rows stay visible to navigation and FindKey.
  void setUseDeleted(bool on);
  bool useDeleted() const;
  // Filter (an expression as above; "" for none) and Filtered (whether it applies). A bad
  // expression is kInvalidArgument and leaves the old filter.
  Status setFilter(std::string_view expression);
  const std::string& filter() const;
  void setFiltered(bool on);
  bool filtered() const;

  // --- tags ---
  // Creates or replaces tag `tag` (letter case ignored) from key_expr for every row (deleted
  // ones too; a non-empty filter_expr indexes only the rows for which it holds), then writes the
  // compound index file cdx_path with every tag of that file. The table must be open
  // exclusively. Descending tags are not offered (kInvalidArgument), nor key expressions over
  // columns other than C. The selected tag does not change.
  Status BuildTag(const std::string& cdx_path, const std::string& tag, const std::string& key_expr,
                  const std::string& filter_expr = "", bool duplicates_allowed = true,
                  bool descending = false);
  // IndexName: the selected tag ("" for record order). Setting an unknown tag is kNotFound and
  // keeps the old one. The current row stays current.
  Status setIndexName(std::string_view tag);
  const std::string& indexName() const;
  std::vector<DbaseTagInfo> tags() const;
  // The keys of a tag in order (for the index file writer and the tests); empty when unknown.
  std::vector<DbaseTagKey> tagKeys(std::string_view tag) const;

  // Seeks key in the selected tag over the visible rows; *found tells whether a row matched, and
  // a match becomes the current row. exact off: an index key matches when it begins with key.
  // exact on: the stored key, trailing blanks aside, must equal key (trailing blanks aside).
  // On a miss with partial on, the cursor stands on the first row whose key is higher than key,
  // or at the end; with partial off, the cursor does not move. Keys compare as bytes.
  // kInvalidArgument when no tag is selected.
  Status FindKey(std::string_view key, bool exact, bool partial, bool* found);

  // --- editing ---
  // append: a new blank row (not yet in the file) becomes the current row; it receives the next
  // record number at post(). edit: the current row is copied for changing. post: writes the
  // row, the header's record count and last-update date to the file and updates the tags; the
  // bytes are in the file when it returns. cancel: drops the pending change. Errors: no current
  // row for edit (kInvalidArgument), I/O errors naming the file.
  Status append();
  Status edit();
  Status post();
  void cancel();
  bool isEditing() const;  // an append or edit is pending
  // Marks the current row deleted and writes the flag at once. The row stays current (so that
  // next() reaches the following row even when UseDeleted is off).
  Status deleteRecord();
  // Removes the deleted rows from the file and rebuilds the tags. Needs exclusive use. The
  // cursor goes to the first visible row.
  Status PackTable();

  // --- typed fields of the current row (the pending row during append/edit) ---
  // Any column as text without trailing blanks (leading blanks kept).
  Status ReadText(std::string_view column, std::string* out) const;
  // C: the text left-aligned, blank-padded. N: the text trimmed and right-aligned; it must be a
  // whole or decimal number. D: "YYYYMMDD" or empty. A value longer than the column is refused
  // with kInvalidArgument naming table and column: nothing is ever cut.
  Status WriteText(std::string_view column, std::string_view value);
  // N (or C holding a number) as a whole number; blanks read as 0; decimals are dropped toward
  // zero. kCorrupt naming table, column and record when the bytes hold no number.
  Status ReadWhole(std::string_view column, int64_t* out) const;
  // N column, right-aligned; kInvalidArgument when it needs more digits than the width.
  Status WriteWhole(std::string_view column, int64_t value);
  // D column: blank (blanks or zeros) reads as DbfDate{blank=true}; other bytes that are not
  // YYYYMMDD of a calendar day give kCorrupt naming table, column and record.
  Status ReadDate(std::string_view column, DbfDate* out) const;
  // D column: a blank date writes blanks; years 1..9999.
  Status WriteDate(std::string_view column, const DbfDate& value);

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace tarvex
