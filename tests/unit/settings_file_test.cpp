#include "platform/posix/settings_file.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <sstream>

#include <sys/resource.h>
#include <unistd.h>

namespace solvane {
namespace {

namespace fs = std::filesystem;

TEST(SettingsFileTest, ParsesValuesAndIgnoresBadLines) {
  using Case = std::pair<const char*, std::optional<uint32_t>>;  // none: a bad line, warned about
  for (const auto& [line, value] :
       {Case{"Width=1024", 1024}, Case{"  Width = 1024  ", 1024}, Case{"Width=1024\r", 1024},
        Case{"width=7", 7}, Case{"Gamma=-5", 0xFFFFFFFB}, Case{"Gamma=+5", 5},
        Case{"Gamma=4294967295", 0xFFFFFFFF}, Case{"Gamma=-2147483648", 0x80000000},
        Case{"Gamma=4294967296", {}}, Case{"Gamma=-2147483649", {}},
        Case{"Gamma=99999999999999999999999", {}}, Case{"Gamma=", {}}, Case{"Gamma=1.5", {}},
        Case{"Gamma=0x10", {}}, Case{"Gamma=12 34", {}}, Case{"=5", {}}, Case{"Bad Name=5", {}},
        Case{"no equals sign", {}}, Case{"\x01\xff\xfe=\x80", {}}}) {
    const SettingsFileContents parsed = ParseSettingsFile(line);
    EXPECT_EQ(parsed.values.empty() ? std::nullopt : std::optional(parsed.values.begin()->second),
              value)
        << line;
    EXPECT_EQ(parsed.values.size() + parsed.warnings.size(), 1u) << line;
  }
  // Comments and blank lines are skipped, the last of duplicate names holds.
  const SettingsFileContents parsed =
      ParseSettingsFile("# my settings\n\n   \nShowFPS=1\nbroken\nSHOWFPS=0\nSpeed=80");
  EXPECT_EQ(parsed.values, (std::map<std::string, uint32_t>{{"showfps", 0}, {"speed", 80}}));
  EXPECT_EQ(parsed.warnings, std::vector<std::string>{"line 5: no '='"});
}

TEST(SettingsFileTest, UpdateKeepsWhatTheUserWrote) {
  const NamedValue values[] = {{"ShowFPS", 1}, {"Gamma", 0xFFFFFFFF}, {"Width", 640}};
  const struct {
    const char* before;
    const char* after;
  } cases[] = {
      {"", "ShowFPS=1\nGamma=-1\nWidth=640\n"},
      {"# mine\nshowfps=0\nOther=3\n", "# mine\nShowFPS=1\nOther=3\nGamma=-1\nWidth=640\n"},
      {"ShowFPS=0\nnonsense\nShowFPS=0", "ShowFPS=1\nnonsense\nGamma=-1\nWidth=640\n"},
      {"Width=1", "Width=640\nShowFPS=1\nGamma=-1\n"},
  };
  for (const auto& c : cases) EXPECT_EQ(UpdateSettingsFile(c.before, values), c.after) << c.before;
}

TEST(SettingsFileTest, TheContentPathIsTextAndSurvivesTheDialog) {
  // A path may hold '=', blanks and digits; it is never a bad number line.
  const SettingsFileContents parsed =
      ParseSettingsFile("Speed=80\ncontent = /home/me/my mods/a=b 2.rar \nContent2=x\n");
  EXPECT_EQ(parsed.texts,
            (std::map<std::string, std::string>{{"content", "/home/me/my mods/a=b 2.rar"}}));
  EXPECT_EQ(parsed.values, (std::map<std::string, uint32_t>{{"speed", 80}}));
  EXPECT_EQ(parsed.warnings, std::vector<std::string>{"line 3: not a 32-bit decimal number"})
      << "only the unknown text line is a bad one";
  const NamedValue values[] = {{"Speed", 20}};
  EXPECT_EQ(UpdateSettingsFile("Content=/m.rar\nSpeed=80\n", values), "Content=/m.rar\nSpeed=20\n");
}

class SettingsFileStoreTest : public ::testing::Test {
 protected:
  void SetUp() override { fs::remove_all(dir_); }
  void TearDown() override { fs::remove_all(dir_); }
  std::string Path() const { return (dir_ / "solvane" / "settings").string(); }
  const fs::path dir_ =
      fs::temp_directory_path() / ("solvane-settings-" + std::to_string(::getpid()) + "-" +
                                   ::testing::UnitTest::GetInstance()->current_test_info()->name());
};

std::string ReadFile(const fs::path& path) {
  std::stringstream text;
  text << std::ifstream(path).rdbuf();
  return text.str();
}

// What is in the settings directory after a save, links marked with "@".
std::string Listing(const fs::path& dir) {
  std::set<std::string> names;
  for (const auto& entry : fs::directory_iterator(dir))
    names.insert(entry.path().filename().string() + (entry.is_symlink() ? "@" : ""));
  std::string text;
  for (const std::string& name : names) text += (text.empty() ? "" : " ") + name;
  return text;
}

TEST_F(SettingsFileStoreTest, LinksAreWrittenThroughAndPlantedNamesNeverFollowed) {
  const fs::path settings = Path();
  const fs::path dir = settings.parent_path();
  const fs::path elsewhere = dir_ / "elsewhere";
  const fs::path victim = elsewhere / "victim";
  const struct {
    const char* name;
    std::function<void()> setUp;
    const char* listing;   // the settings directory afterwards
    fs::path written;      // where the new values must be
    const char* contents;  // what is there; the victim is untouched unless it is written
  } cases[] = {
      {"a planted settings.new link", [&] { fs::create_symlink(victim, dir / "settings.new"); },
       "settings settings.new@", settings, "Width=640\n"},
      {"settings links to a file elsewhere",
       [&] { fs::create_symlink("../elsewhere/victim", settings); }, "settings@", victim,
       "precious\nWidth=640\n"},
      {"a chain of two links",
       [&] {
         fs::create_symlink(victim, elsewhere / "middle");
         fs::create_symlink(elsewhere / "middle", settings);
       },
       "settings@", victim, "precious\nWidth=640\n"},
      {"a link to a file not there yet", [&] { fs::create_symlink(elsewhere / "new", settings); },
       "settings@", elsewhere / "new", "Width=640\n"},
  };
  for (const auto& c : cases) {
    fs::remove_all(dir_);
    for (const fs::path& d : {dir, elsewhere}) fs::create_directories(d);
    std::ofstream(victim) << "precious";
    c.setUp();
    FileSettingsStore store(settings.string());
    const NamedValue written[] = {{"Width", 640}};
    EXPECT_TRUE(store.Save(written)) << c.name;
    EXPECT_EQ(Listing(dir), c.listing) << c.name;
    EXPECT_EQ(ReadFile(c.written), c.contents) << c.name;
    EXPECT_EQ(Listing(elsewhere).find('.'), std::string::npos) << c.name << ": temporary left";
    EXPECT_EQ(ReadFile(victim), c.written == victim ? c.contents : "precious") << c.name;
  }
}

TEST_F(SettingsFileStoreTest, AMissingFileReadsAsEmptyAndIsMadePrivate) {
  FileSettingsStore store(Path());
  NamedValue read[] = {{"Width", 10000}};
  store.Read(read);
  EXPECT_EQ(read[0].value, 10000u);
  const NamedValue written[] = {{"Width", 1024}, {"VSync", 1}};
  store.Write(written);
  EXPECT_EQ(ReadFile(Path()), "Width=1024\nVSync=1\n");
  EXPECT_EQ(Listing(fs::path(Path()).parent_path()), "settings");
  store.Read(read);
  EXPECT_EQ(read[0].value, 1024u);
  EXPECT_EQ(fs::status(Path()).permissions(), fs::perms(0600));
  fs::permissions(Path(), fs::perms(0640));  // a mode the user chose stays
  ASSERT_TRUE(store.Save(written));
  EXPECT_EQ(fs::status(Path()).permissions(), fs::perms(0640));
}

TEST_F(SettingsFileStoreTest, FailedSavesKeepTheOldFile) {
  const fs::path settings = Path();
  const struct {
    const char* name;
    std::function<void()> setUp;
    fs::path path;
  } cases[] = {
      {"a directory in the way", [&] { fs::create_directories(settings); }, settings},
      {"a file where the directory should be", [&] { std::ofstream(dir_ / "file") << "x"; },
       dir_ / "file" / "settings"},
      // A write that fails half-way: the file size limit stops it, for root as for anyone.
      {"a write cut short",
       [&] {
         fs::create_directories(settings.parent_path());
         std::ofstream(settings) << "Width=1\n# " << std::string(3000, 'x') << "\n";
       },
       settings},
  };
  for (const auto& c : cases) {
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    c.setUp();
    const std::string before = fs::is_regular_file(c.path) ? ReadFile(c.path) : "";
    FileSettingsStore store(c.path.string());
    const NamedValue written[] = {{"Width", 640}};
    rlimit saved{};
    ::getrlimit(RLIMIT_FSIZE, &saved);
    const rlimit limit{1024, saved.rlim_max};
    std::signal(SIGXFSZ, SIG_IGN);
    ::setrlimit(RLIMIT_FSIZE, &limit);
    EXPECT_FALSE(store.Save(written)) << c.name;
    ::setrlimit(RLIMIT_FSIZE, &saved);
    EXPECT_EQ(fs::is_regular_file(c.path) ? ReadFile(c.path) : "", before) << c.name;
    if (!fs::is_directory(c.path.parent_path())) continue;
    EXPECT_EQ(Listing(c.path.parent_path()), "settings") << c.name << ": temporary left";
  }
}

TEST(SettingsFilePathTest, FollowsTheConfigDirectory) {
  const std::string home = std::getenv("HOME") ? std::getenv("HOME") : "";
  ::setenv("HOME", "/home/u", 1);
  for (const auto& [config, path] : {std::pair{"/cfg", "/cfg/solvane/settings"},
                                     {"relative", "/home/u/.config/solvane/settings"},  // ignored
                                     {"", "/home/u/.config/solvane/settings"}}) {
    *config ? ::setenv("XDG_CONFIG_HOME", config, 1) : ::unsetenv("XDG_CONFIG_HOME");
    EXPECT_EQ(FileSettingsStore::DefaultPath(), path) << config;
  }
  ::setenv("HOME", home.c_str(), 1);
}

}  // namespace
}  // namespace solvane
