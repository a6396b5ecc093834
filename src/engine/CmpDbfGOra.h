// TCmpDbfGOra: the conversion engine. It holds at most one DBF file open, reads and judges its
// header, derives the field layout, fetches records in blocks, and (in later stages) checks the
// fields and writes load files. This header covers opening, the header read and record access.
//
// Lifecycle: OpenDbf -> ReadHdr/ReadHdrInfo (any number of times) -> GetFld ... -> CloseDbf.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "common/FileIo.h"
#include "common/FrontEnd.h"
#include "common/Status.h"
#include "engine/DbfLayout.h"
#include "engine/EngineOptions.h"

namespace tarvex {

struct Rec_Prj;

class TCmpDbfGOra {
 public:
  // Results of OpenDbf.
  enum OpenStatus { kOpened = 0, kMissing = 1, kOpenFailed = 2, kAlreadyOpen = 3 };

  // Create: IniFileName := program_folder + "Tarvex.ini"; reads [Path] PrmFiSqlLdr.
  explicit TCmpDbfGOra(const std::string& program_folder);

  // --- options ---
  // Re-reads every option from the settings file at ini_path (which becomes IniFileName). The
  // status reports a write-back that failed; the options are loaded in any case.
  Status LoadOptions(const std::string& ini_path);
  const EngineOptions& options() const { return opts_; }
  EngineOptions& options() { return opts_; }
  const std::string& IniFileName() const { return ini_file_name_; }

  // --- where the engine reports (any may be null) ---
  void setParsCmpG(LogSink* log) { log_ = log; }            // the log writer (ParsCmpG)
  void setMessageSink(MessageSink* boxes) { boxes_ = boxes; }
  void setStatusBar(StatusPanels* panels) { status_ = panels; }  // fcStBarP
  void setProgressBar(ProgressSink* progress) { progress_ = progress; }  // ProgressBarL
  void setEventPump(EventPump* pump) { pump_ = pump; }
  bool MsgInRichEdit = false;  // log "file not found" lines instead of showing a message box

  // --- the DBF file ---
  // Removes every double quote from path and remembers it; opens the file for reading. False
  // with openStatus() 3 when a file is already open (it stays open), 1 when the file does not
  // exist, 2 when it cannot be opened (a folder, no permission; see lastError()).
  bool OpenDbf(std::string_view path);
  int openStatus() const { return open_status_; }
  bool isFileOpen() const { return file_open_; }  // from a successful OpenDbf to CloseDbf
  const std::string& dbfPath() const { return dbf_path_; }
  const Status& lastError() const { return last_error_; }

  // Reads the header in two passes and leaves the header state and field layout on the engine.
  // tag is the operation tag kept in TipOperS ("00" from the window, "16" inside a run). A
  // header read with no file open logs [File Header] "21" (or shows [Err_Msg] "4") and returns
  // kNotFound; a failed read returns kIoError. A refused header is not an error: see HdrBad.
  Status ReadHdr(std::string_view tag);
  // As ReadHdr, then copies the field layout into *fields.
  Status ReadHdrInfo(std::string_view tag, Rec_Fld* fields);
  // Clears the field layout and closes the file.
  void CloseDbf();

  const DbfHeader& header() const { return hdr_; }
  const Rec_Fld& fields() const { return fld_; }
  const std::string& TipOperS() const { return tip_oper_s_; }  // tag of the last header read

  // Damage the last header read found beyond what the reader repairs: a file cut short inside
  // its header (stored header length beyond the file's end), or inside its records (the header
  // counts more records than the body holds). Ok when there is none. Names the file.
  Status damage() const;

  // Length of the first field whose cleaned name equals name exactly; 0 when there is none.
  int FldLenByName(std::string_view name) const;

  // --- the conversion run ---
  // Converts the open (or remembered) DBF file into the load file at load_path: a fixed-position
  // data file when prj.SQLLDENB is "Y", else an INSERT script. Checks and repairs the fields,
  // logs error lines, moves records whose highest error code exceeds NrMaxAcEr into a bad file
  // (in the PrmFiSqlLdr folder), and sets prj.RnrOra, RnrErr and RnrRej. Closes the DBF file.
  // A refused header writes nothing and is not an error. A failure while writing the files or
  // reading the records ends the record loop, shows "File <path> Error" and is returned, naming
  // the file; what was written stays.
  Status ConvertDbf(const std::string& load_path, Rec_Prj& prj);
  // The Stop button: ends the run at its next record. Safe from a signal handler.
  void requestStop() { stop_req_.store(true); }
  // Path of the bad file of the last run; empty when it rejected no record.
  const std::string& badFilePath() const { return bad_path_; }

  // --- records ---
  // Makes record k (1-based) current and sets the current field value to field i of it.
  // Errors (naming file and record): no file open, a refused header, a record beyond the end
  // of the file or cut short.
  Status GetFld(int i, int64_t k);
  // Makes record k current (the record part of GetFld).
  Status fetchRecord(int64_t k);
  // Field i of the current record, always FldLen[i] bytes; valid until the next fetch.
  std::string_view field(int i) {
    const size_t start = static_cast<size_t>(fld_.FldPos[i] - 1);
    const size_t len = static_cast<size_t>(fld_.FldLen[i]);
    if (start + len <= record_.size() && (i != hdr_.FldCnt || hdr_.LeadFill.empty())) {
      return std::string_view(record_.data() + start, len);
    }
    return filledField(i);
  }
  std::string_view fieldValue() const { return value_; }   // set by GetFld
  std::string_view recordString() const { return record_; }  // RecLenUsed bytes + TailFill
  char firstByte() const { return record_.empty() ? ' ' : record_[0]; }
  bool recordDeleted() const { return firstByte() == '*'; }

 private:
  std::string_view filledField(int i);
  bool parseHeader(bool first_pass, Status* status);
  void reconcileRecordLength();
  void resetHeaderState();
  void reportNotOpen();

  friend class ConversionRun;

  EngineOptions opts_;
  std::string ini_file_name_;
  LogSink* log_ = nullptr;
  MessageSink* boxes_ = nullptr;
  StatusPanels* status_ = nullptr;
  ProgressSink* progress_ = nullptr;
  EventPump* pump_ = nullptr;
  std::atomic<bool> stop_req_{false};
  std::string bad_path_;

  ReadOnlyFile file_;
  bool file_open_ = false;
  int open_status_ = kOpenFailed;
  std::string dbf_path_;
  Status last_error_;
  std::string tip_oper_s_;
  bool force_long_layout_ = false;

  DbfHeader hdr_;
  Rec_Fld fld_;

  // Block buffer of whole records and the record numbers it holds.
  std::unique_ptr<char[]> block_;
  size_t block_size_ = 0;
  int64_t block_first_ = 0;
  int64_t block_last_ = -1;
  std::string record_buf_;  // record + TailFill when TailFill is not empty
  std::string field_buf_;   // a field that needs LeadFill or padding
  std::string_view record_;
  std::string_view value_;
};

}  // namespace tarvex
