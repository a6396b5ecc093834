// Record fetch: how fast the reader serves every field of every record of a DBF file.
// Reports DBF input in bytes/s. Run: build/bench/reader_bench
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <string>

#include "engine/CmpDbfGOra.h"

namespace {

// Writes a DBF file of the given record count with fields C(30), N(12,2), D(8), L(1).
std::string makeFile(int records) {
  char path[] = "/tmp/tarvex-bench-XXXXXX";
  int fd = ::mkstemp(path);
  ::close(fd);
  std::string out(32, '\0');
  const int hdr = 32 + 4 * 32 + 1;
  const int reclen = 1 + 30 + 12 + 8 + 1;
  out[0] = 0x03;
  for (int i = 0; i < 4; ++i) out[4 + i] = static_cast<char>((records >> (8 * i)) & 0xFF);
  out[8] = static_cast<char>(hdr & 0xFF);
  out[9] = static_cast<char>(hdr >> 8);
  out[10] = static_cast<char>(reclen);
  struct F {
    const char* name;
    char type;
    int len, dec;
  } fields[] = {{"NAME", 'C', 30, 0}, {"AMOUNT", 'N', 12, 2}, {"BORN", 'D', 8, 0}, {"OK", 'L', 1, 0}};
  for (const F& f : fields) {
    std::string d(32, '\0');
    d.replace(0, std::string(f.name).size(), f.name);
    d[11] = f.type;
    d[16] = static_cast<char>(f.len);
    d[17] = static_cast<char>(f.dec);
    out += d;
  }
  out += '\r';
  std::ofstream file(path, std::ios::binary);
  file << out;
  char rec[64];
  for (int k = 1; k <= records; ++k) {
    std::snprintf(rec, sizeof rec, " %-30.30s%12.2f%04d%02d%02d%c", "Customer name", k * 1.25,
                  1950 + k % 60, 1 + k % 12, 1 + k % 28, k % 2 ? 'T' : 'F');
    file.write(rec, reclen);
  }
  file << '\x1a';
  return path;
}

void BM_FetchEveryField(benchmark::State& state) {
  const int records = static_cast<int>(state.range(0));
  const std::string path = makeFile(records);
  tarvex::TCmpDbfGOra engine("");
  size_t bytes = 0;
  for (auto _ : state) {
    engine.OpenDbf(path);
    engine.ReadHdr("16");
    const int n = engine.header().FldCnt;
    for (int k = 1; k <= records; ++k) {
      if (!engine.fetchRecord(k).isOk()) state.SkipWithError("fetch failed");
      for (int i = 1; i <= n; ++i) benchmark::DoNotOptimize(engine.field(i).data());
    }
    engine.CloseDbf();
    bytes += static_cast<size_t>(records) * static_cast<size_t>(engine.header().RecLenUsed);
  }
  state.SetBytesProcessed(static_cast<int64_t>(bytes));
  state.SetItemsProcessed(state.iterations() * records);
  ::unlink(path.c_str());
}
BENCHMARK(BM_FetchEveryField)->Arg(200000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
