// Whole conversion of a generated DBF file (1,000,000 records of about 120 bytes: C, N with
// decimals, D and L fields) in both modes with every check switched on. Prints MB/s of DBF
// input, records/s and the process's peak memory.
//
// Usage: convert_bench [records] [folder]   (defaults: 1000000, /tmp)
#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "engine/CmpDbfGOra.h"
#include "projects/ProjectRecords.h"

namespace {

struct Field {
  const char* name;
  char type;
  int len, dec;
};
constexpr Field kFields[] = {{"NAME", 'C', 40, 0},  {"CITY", 'C', 30, 0}, {"AMOUNT", 'N', 12, 2},
                             {"QTY", 'N', 8, 0},    {"BORN", 'D', 8, 0},  {"PAID", 'D', 8, 0},
                             {"ACTIVE", 'L', 1, 0}, {"CODE", 'C', 11, 0}};

std::string makeDbf(const std::string& path, int records) {
  const int nfields = sizeof kFields / sizeof kFields[0];
  int reclen = 1;
  for (const Field& f : kFields) reclen += f.len;
  const int hdr = 32 + 32 * nfields + 1;
  std::string h(32, '\0');
  h[0] = 0x03;
  h[1] = 124;
  h[2] = 6;
  h[3] = 1;
  for (int i = 0; i < 4; ++i) h[4 + i] = static_cast<char>((records >> (8 * i)) & 0xFF);
  h[8] = static_cast<char>(hdr & 0xFF);
  h[9] = static_cast<char>(hdr >> 8);
  h[10] = static_cast<char>(reclen & 0xFF);
  h[11] = static_cast<char>(reclen >> 8);
  for (const Field& f : kFields) {
    std::string d(32, '\0');
    d.replace(0, std::string(f.name).size(), f.name);
    d[11] = f.type;
    d[16] = static_cast<char>(f.len);
    d[17] = static_cast<char>(f.dec);
    h += d;
  }
  h += '\r';
  std::ofstream out(path, std::ios::binary);
  out << h;
  std::string rec;
  char buf[256];
  for (int k = 1; k <= records; ++k) {
    // One record in 50 carries a repairable fault, so the checks find something to do.
    const bool bad = k % 50 == 0;
    std::snprintf(buf, sizeof buf, "%c%-40.40s%-30.30s%12.2f%8d%04d%02d%02d%04d%02d%02d%c%-11.11s",
                  k % 97 == 0 ? '*' : ' ', "Customer with a fairly long name", "Bucuresti",
                  k * 0.37, k % 1000, 1950 + k % 60, 1 + k % 12, bad ? 31 : 1 + k % 28,
                  2000 + k % 20, 1 + k % 12, 1 + k % 28, k % 3 ? 'T' : 'F', "AB-1234-XY");
    out.write(buf, reclen);
  }
  out << '\x1a';
  return path;
}

long peakKiB() {
  rusage ru{};
  getrusage(RUSAGE_SELF, &ru);
  return ru.ru_maxrss;
}

}  // namespace

int main(int argc, char** argv) {
  const int records = argc > 1 ? std::atoi(argv[1]) : 1000000;
  const std::string folder = std::string(argc > 2 ? argv[2] : "/tmp") + "/tarvex-bench-" +
                             std::to_string(::getpid()) + "/";
  std::string cmd = "mkdir -p '" + folder + "'";
  if (std::system(cmd.c_str()) != 0) return 1;
  const std::string dbf = makeDbf(folder + "BENCH.DBF", records);
  {
    std::ofstream ini(folder + "Tarvex.ini");
    ini << "[SETUP]\n"
           "ChkDtErr=Y\nChkDtNull=Y\nChkDtLess=Y\nChkDtMore=Y\nChkNmErr=Y\nChkNmErr2=Y\n"
           "ChkDcErr=Y\nChkChrEr=Y\nChkChrEr2=Y\nChkLgcEr=Y\nChkFrstEr=Y\nInfFmtNum=Y\n"
           "ErInDate=3\nErCdDtNull=1\nDtIsLess=2\nDtIsMore=2\nErInNum=3\nErInNum2=1\n"
           "ErInChar=3\nErInChar2=1\nErInLgc=3\nNrMaxAcEr=5\nDateLess=01.01.1900\n"
           "DateMore=31.12.2099\nFrmDatIncl=Null\nNrToAllowErr=100000000\nNrToShowErr=100\n"
           "InclRDel=Y\nNrLogRecLoad=All\n[Path]\nPrmFiSqlLdr=" << folder << "\n";
  }
  const double mb = static_cast<double>(std::ifstream(dbf, std::ios::ate | std::ios::binary).tellg()) / 1e6;
  std::printf("input: %s, %d records, %.1f MB\n", dbf.c_str(), records, mb);
  for (const char* mode : {"Y", "N"}) {
    tarvex::TCmpDbfGOra engine(folder);
    if (!engine.LoadOptions(folder + "Tarvex.ini").isOk()) return 1;
    tarvex::Rec_Prj prj;
    prj.SQLLDENB = mode;
    prj.ADD_RECNO = "Y";
    prj.LNG_RECNO = 8;
    prj.ADD_ERRCOD = "Y";
    prj.LNG_ERRCOD = 3;
    prj.InsHdr = "Insert into BENCH.BENCH\r\n   (NAME, CITY, AMOUNT, QTY, BORN, PAID, ACTIVE, "
                 "CODE, RECNO, ERRCODE)\r\nValues\r\n   (";
    prj.LngRndSql = 120;
    engine.OpenDbf(dbf);
    const auto start = std::chrono::steady_clock::now();
    tarvex::Status s = engine.ConvertDbf(folder + (mode[0] == 'Y' ? "BENCH.Dbl" : "BENCH.Sql"), prj);
    const double secs = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (!s.isOk()) {
      std::fprintf(stderr, "%s\n", s.message().c_str());
      return 1;
    }
    std::printf("%-12s %8.1f MB/s %12.0f records/s  rows %lld  errors %lld  rejected %lld  "
                "peak memory %ld KiB\n",
                mode[0] == 'Y' ? "data file" : "script", mb / secs, records / secs,
                static_cast<long long>(prj.RnrOra), static_cast<long long>(prj.RnrErr),
                static_cast<long long>(prj.RnrRej), peakKiB());
  }
  cmd = "rm -rf '" + folder + "'";
  return std::system(cmd.c_str()) == 0 ? 0 : 1;
}
