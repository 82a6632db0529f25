// A fuzz target without libFuzzer, for the sanitizer build's tests: every seed file of the folders named
// goes through LLVMFuzzerTestOneInput once, then, for the given seconds, inputs made from the seeds by
// random byte edits (a seeded generator, so a run can be made again). The target's own checks and the
// sanitizers decide; an input that fails is written to the crash folder before the process dies.
//   replay_main [--mutate SECONDS] [--seed N] [--crashes DIR] SEED_DIR...
#include <fcntl.h>
#include <sanitizer/common_interface_defs.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

namespace fs = std::filesystem;

// The input being run and where to keep it if the run dies; plain storage, read from a signal handler.
std::vector<std::uint8_t> current;
std::string crashPath;

void KeepCurrentInput() {
  if (crashPath.empty()) return;
  const int fd = open(crashPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) return;
  std::size_t done = 0;
  while (done < current.size()) {
    const ssize_t n = write(fd, current.data() + done, current.size() - done);
    if (n <= 0) break;
    done += static_cast<std::size_t>(n);
  }
  close(fd);
  static const char kNote[] = "replay_main: the failing input is kept in ";
  [[maybe_unused]] ssize_t ignored = write(STDERR_FILENO, kNote, sizeof kNote - 1);
  ignored = write(STDERR_FILENO, crashPath.data(), crashPath.size());
  ignored = write(STDERR_FILENO, "\n", 1);
}

extern "C" void OnSignal(int signal) {
  KeepCurrentInput();
  std::signal(signal, SIG_DFL);
  std::raise(signal);
}

void Run(const std::vector<std::uint8_t>& input) {
  current = input;
  LLVMFuzzerTestOneInput(current.data(), current.size());
}

// One random edit of the kinds libFuzzer makes: a bit flipped, a byte set, bytes inserted, erased, copied
// from elsewhere in the input or from another seed.
void Mutate(std::vector<std::uint8_t>& input, const std::vector<std::vector<std::uint8_t>>& seeds, std::mt19937_64& random) {
  const auto below = [&random](std::size_t n) { return n == 0 ? std::size_t{0} : static_cast<std::size_t>(random() % n); };
  const auto byte = [&random] { return static_cast<std::uint8_t>(random()); };
  switch (below(6)) {
    case 0:
      if (!input.empty()) input[below(input.size())] ^= static_cast<std::uint8_t>(1u << below(8));
      break;
    case 1:
      if (!input.empty()) input[below(input.size())] = byte();
      break;
    case 2: {
      const std::size_t at = below(input.size() + 1);
      const std::size_t count = 1 + below(8);
      for (std::size_t i = 0; i < count; ++i) input.insert(input.begin() + static_cast<std::ptrdiff_t>(at), byte());
      break;
    }
    case 3:
      if (!input.empty()) {
        const std::size_t at = below(input.size());
        const std::size_t count = 1 + below(std::min<std::size_t>(16, input.size() - at));
        input.erase(input.begin() + static_cast<std::ptrdiff_t>(at), input.begin() + static_cast<std::ptrdiff_t>(at + count));
      }
      break;
    case 4:
      if (!input.empty()) {
        const std::size_t from = below(input.size());
        const std::size_t count = 1 + below(std::min<std::size_t>(32, input.size() - from));
        const std::vector<std::uint8_t> chunk(input.begin() + static_cast<std::ptrdiff_t>(from),
                                              input.begin() + static_cast<std::ptrdiff_t>(from + count));
        input.insert(input.begin() + static_cast<std::ptrdiff_t>(below(input.size() + 1)), chunk.begin(), chunk.end());
      }
      break;
    default: {
      const std::vector<std::uint8_t>& other = seeds[below(seeds.size())];
      const std::size_t cut = below(input.size() + 1);
      const std::size_t from = below(other.size() + 1);
      input.resize(cut);
      input.insert(input.end(), other.begin() + static_cast<std::ptrdiff_t>(from), other.end());
      break;
    }
  }
}

int Usage() {
  std::fprintf(stderr, "usage: replay_main [--mutate SECONDS] [--seed N] [--crashes DIR] SEED_DIR...\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  long seconds = 0;
  std::uint64_t seed = static_cast<std::uint64_t>(std::chrono::system_clock::now().time_since_epoch().count());
  std::string crashes;
  std::vector<fs::path> files;
  for (int i = 1; i < argc; ++i) {
    const std::string argument = argv[i];
    if ((argument == "--mutate" || argument == "--seed" || argument == "--crashes") && i + 1 < argc) {
      const std::string value = argv[++i];
      if (argument == "--mutate") seconds = std::strtol(value.c_str(), nullptr, 10);
      if (argument == "--seed") seed = std::strtoull(value.c_str(), nullptr, 10);
      if (argument == "--crashes") crashes = value;
    } else if (fs::is_directory(argument)) {
      for (const fs::directory_entry& entry : fs::directory_iterator(argument)) {
        if (entry.is_regular_file()) files.push_back(entry.path());
      }
    } else {
      return Usage();
    }
  }
  if (files.empty()) return Usage();
  std::sort(files.begin(), files.end());

  if (!crashes.empty()) {
    fs::create_directories(crashes);
    crashPath = (fs::path(crashes) / "crash-input").string();
  }
  __sanitizer_set_death_callback(KeepCurrentInput);
  std::signal(SIGABRT, OnSignal);
  std::signal(SIGSEGV, OnSignal);

  std::vector<std::vector<std::uint8_t>> seeds;
  for (const fs::path& file : files) {
    std::ifstream in(file, std::ios::binary);
    seeds.emplace_back(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    std::fprintf(stderr, "seed %s\n", file.c_str());
    Run(seeds.back());
  }
  std::printf("%zu seeds passed\n", seeds.size());
  if (seconds <= 0) return 0;

  std::printf("mutating for %ld s from seed %llu (--seed %llu makes this run again)\n", seconds,
              static_cast<unsigned long long>(seed), static_cast<unsigned long long>(seed));
  std::fflush(stdout);
  std::mt19937_64 random(seed);
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
  unsigned long runs = 0;
  while (std::chrono::steady_clock::now() < end) {
    std::vector<std::uint8_t> input = seeds[random() % seeds.size()];
    const std::uint64_t edits = 1 + random() % 8;
    for (std::uint64_t e = 0; e < edits; ++e) Mutate(input, seeds, random);
    Run(input);
    ++runs;
  }
  std::printf("%lu mutated inputs passed\n", runs);
  return 0;
}
