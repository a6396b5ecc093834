// The current project's options as the settings file holds them: the editors write every option
// to Tarvex.ini the moment it changes, so gathering the editors (LdEcrInRPrj) is reading those
// keys. The command line gathers a project this way; the window's editors do the same from
// their own state.
#pragma once

#include "common/Status.h"
#include "projects/ProjectRecords.h"

namespace tarvex {

class IniFile;

// Fills the option columns of prj (and LngRndSql) from the settings file, with the editors'
// rules: flags "Y"/"N", texts trimmed, the load mode and loader window from their item numbers,
// the deleted-records column from its three switches, defaults for empty numbers (error codes 1,
// widths 1, NrMaxAcEr 999, Rows_n 10000, Commit 500, Port 10000, Bindsize 256000), NrLogRecLoad
// "All" or empty as -1, invalid dates as 01.01.0001 and 01.01.3999, user, database and NLS_LANG
// from the selected items of their history lists. SER_NO, FLTR, the password and the carried
// columns are left alone. A number key that holds no number gives kInvalidArgument naming it;
// the fields gathered before it keep their new values.
Status gatherPrjFromSettings(const IniFile& ini, Rec_Prj* prj);

// Shows a project in the settings file, as showing it in the editors does (SvPrjPeEcr): every
// option key the editors write gets the project's value, flags unchanged, numbers in decimal
// (NrLogRecLoad "All" for -1), the load mode and loader window as item numbers, the deleted-
// records switches from INCL_DEL, dates as dd.mm.yyyy, user, database and NLS_LANG as the
// selected items of their history lists. The first write that fails is returned.
Status showPrjInSettings(const IniFile& ini, const Rec_Prj& prj);

}  // namespace tarvex
