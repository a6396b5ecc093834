// The in-memory project record Rec_Prj (one row of LSTPRJ.DAT plus the fields an import run and
// a connection attempt fill) and the DBF-list record Rec_Dbf (one row of LSTDBF.DAT).
//
// Every stored column has a field of the column's name: C columns as text, N columns as 32-bit
// whole numbers, D columns as dates. Flag columns hold "Y" or "N"; only "Y" counts as set.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "common/CivilDate.h"

namespace tarvex {

// A D column's value: a calendar date, or blank (a D column that holds no date).
struct DbfDate {
  CivilDate date;
  bool blank = true;
};

struct Rec_Prj {
  // --- columns of LSTPRJ.DAT ---
  std::string SER_NO;    // project key, right-aligned decimal number
  std::string SUBSIST;   // project name
  std::string POTECA;    // folder from which DBF files are added
  std::string MASK_DBF;  // file mask for choosing DBF files
  // Supplementary columns: switch, column name, width (and for 1 and 2 the kind of value:
  // 0 file name, 1 file's modification time, 2 header date, 3 order number).
  std::string ADD_RECNO = "N", NM_RECNO;
  int32_t LNG_RECNO = 0;
  std::string ADD_DELETE = "N", NM_DELETE;
  int32_t LNG_DELETE = 0;
  std::string ADD_ERRCOD = "N", NM_ERRCOD;
  int32_t LNG_ERRCOD = 0;
  std::string ADD_PATH = "N", NM_PATH;
  int32_t LNG_PATH = 0;
  std::string ADD_SPFLD1 = "N", NM_SPFLD1;
  int32_t LNG_SPFLD1 = 0, TIP_SPFLD1 = 0;
  std::string ADD_SPFLD2 = "N", NM_SPFLD2;
  int32_t LNG_SPFLD2 = 0, TIP_SPFLD2 = 0;
  int32_t TRLOGICFLD = 0;  // logical output: 0 T/F, 1 Y/N, 2 none
  int32_t DFLOGICFLD = 0;  // value for a bad logical: 0 T, 1 F, 2 ?, 3 blank
  std::string VALDT_NULL;  // value for an empty date: "Null" or YYYYMMDD
  std::string INCL_DEL;    // deleted records: "Y" include, "N" exclude, "R" restore
  int32_t MAX_INCL_E = 0;  // largest error code that still lets a record into the load
  int32_t ERRTOALLOW = 0;  // errors to allow
  int32_t NRRECSKIP = 0;   // records to skip
  int32_t NRRECLOAD = -1;  // records to load; -1 all
  std::string CHKDTERR = "N";
  int32_t ERINDATE = 0;
  std::string CHKDTNULL = "N";
  int32_t ERCDDTNULL = 0;
  std::string CHKDTLESS = "N";
  int32_t DTISLESS = 0;
  DbfDate DATELESS;
  std::string CHKDTMORE = "N";
  int32_t DTISMORE = 0;
  DbfDate DATEMORE;
  std::string CHKNMERR = "N";
  int32_t ERINNUM = 0;
  std::string CHKDCERR = "N";
  int32_t ERINDECP = 0;
  std::string CHKNMERR2 = "N";
  int32_t ERINNUM2 = 0;
  std::string CHKCHRER = "N";
  int32_t ERINCHAR = 0;
  std::string CHKCHRER2 = "N";
  int32_t ERINCHAR2 = 0;
  std::string CHKLGCER = "N";
  int32_t ERINLGC = 0;
  std::string CHKFRSTER = "N";
  int32_t ERINFRSTB = 0;
  std::string ORAENABLE = "N";   // import into the database
  std::string SQLLDENB = "N";    // load through the loader (data file) instead of INSERT scripts
  std::string EXCL_PR = "N";     // leave out the checks before the loader
  std::string SET_LANG = "N";    // set NLS_LANG before a run
  std::string CONNECTING = "N";  // "Y" Direct mode, "N" Client mode
  std::string IP;
  int32_t PORT = 0;
  int32_t HOMENAME = 0;  // position of the database client in the list of clients
  std::string OWN;       // database user, also the schema of the tables
  std::string BAZA;      // database (server, SID or service)
  std::string SAVE_PASS = "N";
  std::string PAROLA;    // the password scrambled, or empty
  std::string IFNISBLANK = "Y";  // "N": a numeric field of blanks is written as zero
  std::string IND_1_TAB = "N";   // all DBF files go into one table
  std::string LDR_CTRL;          // name of that one table
  std::string LDR_OP = "APPEND";  // load mode: REPLACE, TRUNCATE, APPEND or INSERT
  std::string IND_SH_HI = "H";    // loader window: "H" hide, "S" show
  std::string USE_DPL = "N";      // direct path load
  std::string USEUNREC = "N";     // unrecoverable load
  int32_t BINDSIZE = 256000;
  int32_t ROWS_N = 10000;
  int32_t COMMIT = 500;  // rows between two COMMIT lines of an INSERT script
  std::string PTHLDR;    // path of the loader program
  std::string DIRTMPFI;  // folder of generated files
  std::string DIRLOGFI;  // folder of log files
  std::string FLTR;      // passed the chooser's last filter
  int32_t NR_DBF = 0;
  DbfDate DT_CR_LST, DT_ST_PRJ;
  std::string TIMP, OPTIONS, VAL_SPFLD1, VAL_SPFLD2, DT_IS_NULL, REMARCA, NM_1_DBF, IND_REPAIR;
  int32_t LNG_XXX = 0, ERRTOSHOW = 0;

  // --- not stored: the NLS_LANG text of the SetNls_Lang history list ---
  std::string NlsLang;

  // --- run fields ---
  int32_t NrOrdDbf = 0;     // order number of the DBF file in the run (from 1)
  int32_t LngSupl = 0;      // total width of the supplementary columns of the data file
  std::string InsHdr;       // head of every INSERT statement
  int32_t LngRndSql = 120;  // line width at which INSERT heads and rows are wrapped
  int64_t RnrOra = 0;       // rows written to the load file
  int64_t RnrErr = 0;       // records with at least one error code
  int64_t RnrRej = 0;       // records moved to the bad file
  std::string LastTab = "#@#";  // last table found to exist
  std::string ConnStr;      // the session's connect string
  int32_t ConnStat = 1;     // 1 not tried, 0 connected, -1 database error, -2 cancelled, -3 other
  int32_t ConnErrCode = 0;
  std::string ConnErrMsg;
  std::string TryUser, TryServer;  // values of the connection attempt, for the error report
  int32_t TryHome = 0;
  std::string TryHost;
  int32_t TryPort = 0;
};

struct Rec_Dbf {
  std::string SER_NO;    // key of the project
  std::string POTECA;    // folder of the file, ending in "/"
  std::string NR_SORT;   // order number of the file in the project, right-aligned
  std::string DBF_NAME;  // file name as found on disk
  std::string TAB_NAME;  // target table name, upper case
  int32_t IND_KEY = 0;
  std::string LENG_SEM = "N";
  std::string IND_INCL = "Y";  // the import run takes the file
  DbfDate LOAD_DATE;           // day of the last import run; 01.01.1800 = never
  int32_t RNR_DBF = 0;         // record count from the header
  int32_t RNR_ERR = 0;         // records with errors in the last run
  int32_t RNR_REJ = 0;         // records rejected in the last run
  int32_t RNR_ORA = 0;         // rows written in the last run
  int32_t RNR_BAD = 0, RNR_ERR_O = 0, RNR_DEL = 0;
  std::string FLTR = " ";
  DbfDate DT_WIN;  // last-modified date of the file
  DbfDate DT_DBF;  // last-update date from the header
  std::string IND_FORM = "N";  // load files were written
  std::string IND_LOAD = "N";
  std::string IND_ERR = "N";   // the last run found errors
};

// Whether a flag text is set: only the exact "Y" counts.
inline bool isSet(std::string_view flag) { return flag == "Y"; }

}  // namespace tarvex
