// Load test of a running locker's command server: "/query" with valid credentials from 1 and then
// from N concurrent client threads, each connection carrying one request (as the server demands).
// Prints requests per second and the p50/p99 latency of every run. Not a test: it judges nothing.
//
//   query_bench --password PW [--user NAME] [--host 127.0.0.1] [--port 8777]
//               [--requests 2000] [--seconds 10] [--threads 1,10]
//
// Each run stops after --requests requests (all threads together) or --seconds, whichever comes
// first. The password may come from BRIVAK_BENCH_PASSWORD instead of the command line.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "proj/net/HttpProbe.h"

namespace {

using Clock = std::chrono::steady_clock;

struct Options {
  std::string host = "127.0.0.1";
  std::uint16_t port = 8777;
  std::string user;
  std::string password;
  long requests = 2000;
  double seconds = 10.0;
  std::vector<int> threads{1, 10};
};

struct RunResult {
  int threads = 0;
  long ok = 0;
  long failed = 0;
  double elapsedSeconds = 0;
  std::vector<double> latenciesMs;  // successful requests only
  std::string firstError;
};

// Percent-escapes everything but unreserved characters.
std::string Escape(std::string_view text) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if ((byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z') || (byte >= '0' && byte <= '9') ||
        c == '-' || c == '_' || c == '.' || c == '~') {
      out += c;
    } else {
      out += '%';
      out += kHex[byte >> 4];
      out += kHex[byte & 0xF];
    }
  }
  return out;
}

std::vector<int> ParseThreadList(const std::string& text) {
  std::vector<int> list;
  std::size_t start = 0;
  while (start <= text.size()) {
    const std::size_t comma = text.find(',', start);
    const std::string part = text.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
    const int n = std::atoi(part.c_str());
    if (n > 0) list.push_back(n);
    if (comma == std::string::npos) break;
    start = comma + 1;
  }
  return list;
}

bool ParseArgs(int argc, char** argv, Options& options) {
  if (const char* pw = std::getenv("BRIVAK_BENCH_PASSWORD")) options.password = pw;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (i + 1 >= argc) {
      std::fprintf(stderr, "query_bench: %s needs a value\n", arg.c_str());
      return false;
    }
    const std::string value = argv[++i];
    if (arg == "--host") {
      options.host = value;
    } else if (arg == "--port") {
      options.port = static_cast<std::uint16_t>(std::atoi(value.c_str()));
    } else if (arg == "--user") {
      options.user = value;
    } else if (arg == "--password") {
      options.password = value;
    } else if (arg == "--requests") {
      options.requests = std::atol(value.c_str());
    } else if (arg == "--seconds") {
      options.seconds = std::atof(value.c_str());
    } else if (arg == "--threads") {
      options.threads = ParseThreadList(value);
    } else {
      std::fprintf(stderr, "query_bench: unknown option %s\n", arg.c_str());
      return false;
    }
  }
  if (options.port == 0 || options.requests <= 0 || options.seconds <= 0 || options.threads.empty()) {
    std::fprintf(stderr, "query_bench: bad --port, --requests, --seconds or --threads\n");
    return false;
  }
  return true;
}

RunResult Run(const Options& options, int threadCount) {
  const std::string target =
      "/query?s_username=" + Escape(options.user) + "&s_password=" + Escape(options.password) + "&params=";
  const auto deadline = Clock::now() + std::chrono::duration_cast<Clock::duration>(
                                           std::chrono::duration<double>(options.seconds));
  std::atomic<long> issued{0};
  std::mutex mutex;  // guards `result` while the threads merge into it
  RunResult result;
  result.threads = threadCount;

  const auto started = Clock::now();
  std::vector<std::thread> threads;
  for (int t = 0; t < threadCount; ++t) {
    threads.emplace_back([&] {
      std::vector<double> latencies;
      long failed = 0;
      std::string firstError;
      while (Clock::now() < deadline && issued.fetch_add(1) < options.requests) {
        const auto begin = Clock::now();
        std::string error;
        const auto reply = brivak::net::HttpProbe(options.host, options.port, target, std::chrono::seconds(5), &error);
        const double ms = std::chrono::duration<double, std::milli>(Clock::now() - begin).count();
        // A served query is a page whose record holds the status element.
        if (reply && reply->status == 200 && reply->body.find("<status>") != std::string::npos) {
          latencies.push_back(ms);
        } else {
          ++failed;
          if (firstError.empty()) {
            firstError = reply ? "status " + std::to_string(reply->status) + " " + reply->reason : error;
          }
        }
      }
      std::lock_guard lock(mutex);
      result.latenciesMs.insert(result.latenciesMs.end(), latencies.begin(), latencies.end());
      result.failed += failed;
      if (result.firstError.empty()) result.firstError = firstError;
    });
  }
  for (auto& thread : threads) thread.join();
  result.elapsedSeconds = std::chrono::duration<double>(Clock::now() - started).count();
  result.ok = static_cast<long>(result.latenciesMs.size());
  std::sort(result.latenciesMs.begin(), result.latenciesMs.end());
  return result;
}

// Nearest-rank percentile of sorted values; 0 for none.
double Percentile(const std::vector<double>& sorted, double p) {
  if (sorted.empty()) return 0;
  const auto rank = static_cast<std::size_t>(p / 100.0 * static_cast<double>(sorted.size()) + 0.999999);
  return sorted[std::clamp<std::size_t>(rank, 1, sorted.size()) - 1];
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  if (!ParseArgs(argc, argv, options)) return 2;
  std::printf("query_bench: %s:%u /query, at most %ld requests or %.1f s per run\n", options.host.c_str(),
              static_cast<unsigned>(options.port), options.requests, options.seconds);
  std::printf("%8s %8s %7s %9s %10s %9s %9s %9s\n", "threads", "ok", "failed", "seconds", "req/s", "p50 ms",
              "p99 ms", "max ms");
  bool allOk = true;
  for (const int threadCount : options.threads) {
    const RunResult r = Run(options, threadCount);
    const double rate = r.elapsedSeconds > 0 ? static_cast<double>(r.ok) / r.elapsedSeconds : 0;
    std::printf("%8d %8ld %7ld %9.2f %10.1f %9.3f %9.3f %9.3f\n", r.threads, r.ok, r.failed, r.elapsedSeconds, rate,
                Percentile(r.latenciesMs, 50), Percentile(r.latenciesMs, 99),
                r.latenciesMs.empty() ? 0.0 : r.latenciesMs.back());
    if (r.failed > 0) {
      std::printf("         first failure: %s\n", r.firstError.c_str());
      allOk = false;
    }
    std::fflush(stdout);
  }
  return allOk ? 0 : 1;
}
