// A field layout (Rec_Fld) built by hand for tests, as the reader would derive it.
#pragma once

#include <cstdint>
#include <initializer_list>

#include "engine/DbfLayout.h"

namespace tarvex::test {

struct FieldSpec {
  const char* name;
  char type;
  int32_t len;
  int32_t dec;
};

// Field 1 starts at position 2, after the deletion flag; each next field follows.
inline Rec_Fld layout(std::initializer_list<FieldSpec> fields) {
  Rec_Fld fld;
  fld.clear();
  int32_t pos = 2;
  for (const FieldSpec& f : fields) {
    fld.FldNames.push_back(f.name);
    fld.FldTypes.push_back(f.type);
    fld.FldLen.push_back(f.len);
    fld.FldDec.push_back(f.dec);
    fld.FldPos.push_back(pos);
    pos += f.len;
  }
  fld.FldPos.push_back(pos);
  return fld;
}

}  // namespace tarvex::test
