// Runs the DBF reader over one input and checks the properties its rules promise for any file,
// however damaged. Shared by the libFuzzer target and by the unit test that replays the corpus
// and the saved fuzz findings (tests/data/regressions).
//
// Input layout: byte 0 chooses the reading switches (bit 0 LngIsCorInHdr, bit 1 CreateNewFld),
// the remaining bytes are the DBF file.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>
#include <string_view>

#include "engine/CmpDbfGOra.h"

namespace tarvex::fuzz {

// Records fetched per input at most, so that a huge record count does not make a slow input.
constexpr int64_t kMaxRecords = 2000;
constexpr const char* kAddedFieldName = "SUPLIM";

inline bool isCleanName(std::string_view name) {
  if (name.empty() || name.size() > 10 || name[0] < 'A' || name[0] > 'Z') return false;
  return std::all_of(name.begin(), name.end(), [](char c) {
    return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
  });
}

// The reader's field layout and header numbers, for comparing two header reads.
inline std::string layoutSignature(const TCmpDbfGOra& engine) {
  const DbfHeader& h = engine.header();
  const Rec_Fld& f = engine.fields();
  std::string s = std::to_string(h.HdrLen) + '/' + std::to_string(h.RecCnt) + '/' +
                  std::to_string(h.RecCntData) + '/' + std::to_string(h.RecLenUsed) + '/' +
                  std::to_string(h.FldCnt) + '/' + (h.HdrBad ? "bad" : "ok");
  for (int i = 1; i <= f.count(); ++i) {
    s += ' ' + f.FldNames[static_cast<size_t>(i - 1)] + ':' + std::to_string(f.FldLen[i]) + ':' +
         std::to_string(f.FldDec[i]) + ':' + std::to_string(f.FldPos[i]);
  }
  return s;
}

// Writes the file part of the input to path, reads it, and returns what broke ("" when every
// property holds).
inline std::string exerciseReader(const uint8_t* data, size_t size, const std::string& path) {
  if (size == 0) return "";
  const uint8_t switches = data[0];
  {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data + 1), static_cast<std::streamsize>(size - 1));
    if (!out) return "cannot write " + path;
  }

  TCmpDbfGOra engine("");
  engine.options().LngIsCorInHdr = (switches & 1) != 0;
  engine.options().CreateNewFld = (switches & 2) != 0;
  engine.options().NmFldSuplim = kAddedFieldName;
  if (!engine.OpenDbf(path)) return "OpenDbf failed: " + engine.lastError().message();
  Status s = engine.ReadHdr("00");
  if (!s.isOk()) return "ReadHdr failed: " + s.message();
  (void)engine.damage();
  const std::string first_read = layoutSignature(engine);

  const DbfHeader& h = engine.header();
  const Rec_Fld& f = engine.fields();
  // The header length as stored, capped at the file size; 32 more when the record bytes beyond
  // the fields were exposed as an added field (the only way it grows).
  const int64_t capped = std::min<int64_t>(h.HdrLenStored, h.FileSize);
  const bool added = engine.options().CreateNewFld && engine.options().LngIsCorInHdr &&
                     f.count() > 0 && f.FldNames.back() == kAddedFieldName &&
                     h.HdrLen == capped + dbf::kDescriptorSize;
  if (h.FileSize != static_cast<int64_t>(size - 1)) return "FileSize is not the file's size";
  if (h.RecCnt < 0 || h.RecCnt > 0x7FFFFFFF) return "record count out of range";
  if (h.FileSize < dbf::kMinFileSize) {
    if (!h.HdrBad) return "a file under 64 bytes was not refused";
    if (f.count() != 0) return "a file under 64 bytes has fields";
  } else {
    if (h.HdrLen != capped && !added) {
      return "HdrLen is not the stored header length capped at the file size";
    }
    if (f.count() != std::max(h.FldCnt, 0)) return "field list and FldCnt disagree";
    if (f.FldTypes.size() != f.FldNames.size() ||
        f.FldLen.size() != static_cast<size_t>(f.count()) + 1 ||
        f.FldDec.size() != static_cast<size_t>(f.count()) + 1 ||
        f.FldPos.size() != static_cast<size_t>(f.count()) + 2) {
      return "field lists of different lengths";
    }
    if (f.FldPos[1] != 2) return "FldPos[1] is not 2";
    for (int i = 1; i <= f.count(); ++i) {
      const std::string& name = f.FldNames[static_cast<size_t>(i - 1)];
      const bool is_added = added && i == f.count();
      if (!is_added && !isCleanName(name)) return "field " + std::to_string(i) + " name " + name;
      if (f.FldLen[i] < 0) return "negative field length";
      if (f.FldDec[i] != 0 && f.FldTypes[static_cast<size_t>(i - 1)] != 'N') {
        return "decimals on a field that is not N";
      }
      if (f.FldPos[i + 1] != f.FldPos[i] + f.FldLen[i]) return "FldPos does not add up";
    }
    if (!added && h.RecLenCalc != f.FldPos[static_cast<size_t>(f.count()) + 1] - 1) {
      return "RecLenCalc is not the end of the last field";
    }
  }
  if (!h.HdrBad) {
    if (h.FldCnt < 1 || h.RecLenHdr < 2 || h.HdrLen < 64 || h.RecCnt > h.FileSize ||
        std::abs(h.RecLenHdr - h.RecLenCalc) > dbf::kMaxLengthSkew) {
      return "a header that fails a refusal check was taken";
    }
  }

  // A second header read of the same file finds the same.
  s = engine.ReadHdr("16");
  if (!s.isOk()) return "second ReadHdr failed: " + s.message();
  if (layoutSignature(engine) != first_read) return "a second header read differs";

  if (!h.HdrBad) {
    const int64_t last = std::min({h.RecCnt, h.RecCntData, kMaxRecords});
    for (int64_t k = 1; k <= last; ++k) {
      s = engine.fetchRecord(k);
      if (!s.isOk()) {
        // Only an added field's descriptor (which moves the records 32 bytes on) may leave the
        // last whole records short.
        if (added) break;
        return "record " + std::to_string(k) + " of " + std::to_string(last) + ": " + s.message();
      }
      if (engine.recordString().size() != static_cast<size_t>(h.RecLenUsed) + h.TailFill.size()) {
        return "record string of the wrong length";
      }
      for (int i = 1; i <= h.FldCnt; ++i) {
        if (engine.field(i).size() != static_cast<size_t>(f.FldLen[i])) {
          return "field " + std::to_string(i) + " of record " + std::to_string(k) +
                 " has the wrong length";
        }
      }
    }
    // Out of order: the last record again (from the block or a new read), then the first.
    for (int64_t k : {last, int64_t{1}}) {
      if (k < 1 || h.FldCnt < 1) break;
      s = engine.GetFld(h.FldCnt, k);
      if (s.isOk() && engine.fieldValue().size() != static_cast<size_t>(f.FldLen[h.FldCnt])) {
        return "GetFld value of the wrong length";
      }
    }
    // Past the body there is no whole record.
    if (engine.fetchRecord(h.RecCntData + 1).isOk() && !added) {
      return "a record past the body was fetched";
    }
  } else if (engine.fetchRecord(1).isOk()) {
    return "a record of a refused file was fetched";
  }
  engine.CloseDbf();
  if (engine.isFileOpen()) return "still open after CloseDbf";
  return "";
}

}  // namespace tarvex::fuzz
