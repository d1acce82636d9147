#pragma once
// Shared by the benchmarks: timing, medians and the table row they print.
#include <algorithm>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include <windows.h>

#include "shell/Settings.h"

namespace bench {

inline double NowMs() {
  LARGE_INTEGER f, c;
  QueryPerformanceFrequency(&f);
  QueryPerformanceCounter(&c);
  return 1000.0 * static_cast<double>(c.QuadPart) / static_cast<double>(f.QuadPart);
}

inline double Median(std::vector<double> v) {
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  const size_t n = v.size();
  return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

// Runs f n times and returns the median of its durations in milliseconds.
inline double MedianMs(int n, const std::function<void()>& f) {
  std::vector<double> times;
  for (int i = 0; i < n; ++i) {
    const double start = NowMs();
    f();
    times.push_back(NowMs() - start);
  }
  return Median(times);
}

// One row of the benchmark table: figure, median, baseline, baseline median, ratio, target.
inline void Row(const std::string& figure, double value, const std::string& baseline, double baselineValue,
                const std::string& target, const char* unit = "ms") {
  const double ratio = baselineValue > 0 ? value / baselineValue : 0;
  std::printf("%s\t%.3f %s\t%s\t%.3f %s\t%.2f\t%s\n", figure.c_str(), value, unit, baseline.c_str(), baselineValue,
              unit, ratio, target.c_str());
  std::fflush(stdout);
}

inline std::string ExeDir() {
  char path[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string dir = path;
  dir.resize(dir.find_last_of('\\') + 1);
  return dir;
}

// Saves "do not ask again" so that the program starts without the Associate prompt.
inline void SuppressAssociatePrompt() { shell::SilenceAssociationQuestion(); }

}  // namespace bench
