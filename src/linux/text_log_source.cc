#include "text_log_source.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <array>
#include <memory>
#include <string_view>
#include <tuple>

#include "kernel_log_text.h"
#include "syslog_line.h"

namespace devlist::history {
namespace {

// A line longer than this is read only up to here (a kernel line is at most about 1 KB).
constexpr std::size_t kMaxLineBytes = 8192;
constexpr std::size_t kReadBytes = 64 * 1024;
constexpr std::array<const char*, 3> kFamilies = {"kern.log", "messages", "syslog"};

struct GzCloser {
  void operator()(gzFile_s* file) const { gzclose(file); }
};
using GzFile = std::unique_ptr<gzFile_s, GzCloser>;

struct DirCloser {
  void operator()(DIR* dir) const { closedir(dir); }
};

// The place of a family's file among its copies: (0, date) dated, (1, -number) numbered, (2, 0) live; none
// for a name of another family or shape.
std::optional<std::tuple<int, long long>> RankOf(std::string_view name, std::string_view family) {
  if (name.substr(0, family.size()) != family) return std::nullopt;
  std::string_view rest = name.substr(family.size());
  if (rest.empty()) return std::tuple<int, long long>{2, 0};
  if (rest.size() > 3 && rest.substr(rest.size() - 3) == ".gz") rest.remove_suffix(3);
  if (rest.size() < 2 || (rest[0] != '.' && rest[0] != '-')) return std::nullopt;
  const auto number = ParseDecimal(rest.substr(1));
  if (!number) return std::nullopt;
  if (rest[0] == '-') return std::tuple<int, long long>{0, *number};
  return std::tuple<int, long long>{1, -static_cast<long long>(*number)};
}

// Counts boots across the files of a family, read in order.
class BootCounter {
 public:
  std::uint32_t Next(const SyslogLine& line) {
    const bool banner = line.text.substr(0, 14) == "Linux version ";
    const bool zero = line.uptimeMicroseconds == 0;
    if ((banner || zero) && !preamble_) {
      if (any_) ++boot_;
      preamble_ = true;
    } else if (!banner && !zero) {
      preamble_ = false;
    }
    any_ = true;
    return boot_;
  }

 private:
  std::uint32_t boot_ = 0;
  bool preamble_ = false;  // every line since the banner was stamped at zero
  bool any_ = false;
};

// One file's kernel lines to `sink`; how many.
std::size_t ReadFile(const std::string& path, BootCounter& boots,
                     const std::function<void(const KernelMessage&)>& sink) {
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
  if (fd < 0) return 0;
  struct stat st {};
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    close(fd);
    return 0;
  }
  GzFile file(gzdopen(fd, "rb"));
  if (!file) {
    close(fd);
    return 0;
  }
  gzbuffer(file.get(), kReadBytes);
  const std::int64_t reference = static_cast<std::int64_t>(st.st_mtime);
  std::unique_ptr<char[]> chunk(new char[kReadBytes]);
  std::string line;
  bool overlong = false;
  std::size_t given = 0;
  const auto take = [&]() {
    if (const auto parsed = ParseSyslogLine(line, reference)) {
      KernelMessage message;
      message.boot = boots.Next(*parsed);
      message.time = parsed->time;
      message.text = parsed->text;
      sink(message);
      ++given;
    }
    line.clear();
    overlong = false;
  };
  bool damaged = false;
  for (;;) {
    const int n = gzread(file.get(), chunk.get(), static_cast<unsigned>(kReadBytes));
    if (n <= 0) {
      // The end, or a damaged stream (a compressed one cut short reads as its end, with an error kept).
      int error = Z_OK;
      gzerror(file.get(), &error);
      damaged = n < 0 || error != Z_OK;
      break;
    }
    std::string_view data(chunk.get(), static_cast<std::size_t>(n));
    while (!data.empty()) {
      const std::size_t newline = data.find('\n');
      const std::string_view piece = data.substr(0, newline);
      if (!overlong) {
        const std::size_t room = kMaxLineBytes - line.size();
        line.append(piece.substr(0, room));
        overlong = piece.size() > room;
      }
      if (newline == std::string_view::npos) break;
      take();
      data.remove_prefix(newline + 1);
    }
  }
  // A last line without its newline is whole at the end of a file, but cut where the stream broke.
  if (!line.empty() && !damaged) take();
  return given;
}

}  // namespace

std::vector<std::string> TextLogFiles(const std::string& directory, const std::string& family) {
  std::vector<std::pair<std::tuple<int, long long>, std::string>> found;
  std::unique_ptr<DIR, DirCloser> dir(opendir(directory.c_str()));
  if (!dir) return {};
  while (const dirent* entry = readdir(dir.get())) {
    const std::string_view name = entry->d_name;
    if (const auto rank = RankOf(name, family)) found.emplace_back(*rank, std::string(name));
  }
  std::sort(found.begin(), found.end());
  std::vector<std::string> paths;
  for (const auto& [rank, name] : found) paths.push_back(directory + "/" + name);
  return paths;
}

std::size_t ReadTextLogs(const std::string& directory, const std::function<void(const KernelMessage&)>& sink) {
  for (const char* family : kFamilies) {
    BootCounter boots;
    std::size_t given = 0;
    for (const std::string& path : TextLogFiles(directory, family)) given += ReadFile(path, boots, sink);
    if (given != 0) return given;
  }
  return 0;
}

}  // namespace devlist::history
