// Runs of quarnex that end with the listing or before it: usage, missing
// sets, the listing itself and the list file.
#include <gtest/gtest.h>

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <map>

#include "run_program.h"
#include "set_model.h"
#include "pdiset/iso9660_fields.h"

namespace {

namespace iso = pdiset::iso9660;

const char kListingPrompt[] = "\n\aHit <RETURN> to continue\n";

std::string usage_text() {
  return R"(usage: quarnex [options] <pdi-file-name>[.pdi] [files...]

options:
-l        list only (directory mode)
-i <iso>  convert .pdi-file-set into .iso-image <iso>[.iso]
-r        remove .pdi files as soon as possible
-d <dir>  extract files to directory <dir>
-m <dir>  create directory <dir> and extract files int it
-v        create VIDEO_TS directory and extract files into it
-x        same as -r -m <pdi-file-name> -v

a trailing '*' may be used as wildcard for file selection,
e.g. quarnex -v movie vts_01*
extracts Video Title Set 1 from movie.pdi* to dir VIDEO_TS
)";
}

pdi_maker::ImagePlan listing_dvd_plan() {
  pdi_maker::ImagePlan plan;
  plan.files = pdi_maker::dvd_files(2, 300000);
  pdi_maker::FilePlan hidden;
  hidden.identifier = "HIDDEN.DAT;1";
  hidden.size = 5000;
  hidden.flags = 1;
  plan.files.push_back(hidden);
  return plan;
}

class Listing : public ProgramTest {
 protected:
  void expect_err(const RunResult& r, const std::vector<std::string>& args, const std::string& rest) {
    EXPECT_EQ(r.err, echo_and_banner(r.word0, args) + rest);
  }
};

TEST_F(Listing, UsageErrorsShowTheUsageTextAndEndWithStatus1) {
  const std::vector<std::vector<std::string>> cases = {
      {},
      {"-l"},
      {"-"},
      {"-q", "movie"},
      {"-g", "list.txt", "movie"},
      {"-gz", "list.txt", "movie"},
      {"-x"},
      {"-x", "movie", "vts_01*"},
      {"-d"},
      {"-i"},
  };
  for (const std::vector<std::string>& args : cases) {
    RunResult r = run(args);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");
    expect_err(r, args, usage_text() + kListingPrompt);
  }
}

TEST_F(Listing, FileWordsOutsideExtractionMode) {
  for (const std::vector<std::string>& args :
       std::vector<std::vector<std::string>>{{"-i", "out", "movie", "vts_01*"}, {"-l", "movie", "a"}}) {
    RunResult r = run(args);
    EXPECT_EQ(r.status, 1);
    expect_err(r, args,
               "individual file selection may be used only in file extraction mode\n" + usage_text() + kListingPrompt);
  }
}

TEST_F(Listing, MissingSetIsNamedWithTheSystemsText) {
  RunResult r = run({"-l", "movie"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "");
  expect_err(r, {"-l", "movie"}, std::string("movie.pdi: No such file or directory\n") + kListingPrompt);
}

TEST_F(Listing, ListsTheDirectoryInItsOwnOrderAndEndsWith0) {
  MadeSet set = make_set(listing_dvd_plan(), dir.path, "movie.pdi", {400000});
  for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
           {"-l", "movie"}, {"-L", "movie.pdi"}, {"-n", "foo", "-l", "movie"}, {"-lx", "movie"},
           {"-l", "-i", "out", "movie"}, {"-l", "-r", "movie"}}) {
    RunResult r = run(args);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, expected_listing(set.image));
    expect_err(r, args, "");
    // Listing mode never converts or deletes.
    EXPECT_FALSE(exists(dir / "out.iso"));
    EXPECT_TRUE(exists(dir / "movie.pdi01"));
  }
}

TEST_F(Listing, ListingLineLayout) {
  pdi_maker::ImagePlan plan;
  pdi_maker::FilePlan f;
  f.identifier = "VIDEO_TS.IFO;1";
  f.size = 12288;
  f.first_sector = 300;
  plan.files.push_back(f);
  f.identifier = "A";
  f.size = 1000;
  f.first_sector = 310;
  plan.files.push_back(f);
  make_set(plan, dir.path, "movie.pdi", {});
  RunResult r = run({"-l", "movie"});
  EXPECT_EQ(r.out,
            "[extent ] File Name    Size       Date       Time\n"
            "[    300] VIDEO_TS.IFO;1      12288  7. 2.2003 09:05:03\n"
            "[    310]            A       1000  7. 2.2003 09:05:03\n");
}

TEST_F(Listing, ListFileInEveryFormatInTableOrder) {
  pdi_maker::ImagePlan plan;
  // Directory order differs from the order of first sectors.
  const char* names[] = {"B.IFO;1", "A.IFO;1", "C.VOB;1"};
  const uint32_t sectors[] = {500, 400, 600};
  const uint64_t sizes[] = {6144, 5000, 1000};
  for (int i = 0; i < 3; ++i) {
    pdi_maker::FilePlan f;
    f.identifier = names[i];
    f.first_sector = sectors[i];
    f.size = sizes[i];
    plan.files.push_back(f);
  }
  make_set(plan, dir.path, "movie.pdi", {});
  // Each option and the list it writes.
  const std::pair<const char*, const char*> cases[] = {
      {"-gl", "A.IFO;1\r\nB.IFO;1\r\nC.VOB;1\r\n"},
      // The size is the file's length: what extraction writes.
      {"-gs", "A.IFO;1,5000\r\nB.IFO;1,6144\r\nC.VOB;1,1000\r\n"},
      {"-gf", "A.IFO;1\r\n5000\r\nB.IFO;1\r\n6144\r\nC.VOB;1\r\n1000\r\n"},
      {"-gb", "A.IFO;1 5000\r\nB.IFO;1 6144\r\nC.VOB;1 1000\r\n"},
      {"-GB", "A.IFO;1 5000\r\nB.IFO;1 6144\r\nC.VOB;1 1000\r\n"},
  };
  for (const auto& [option, listed] : cases) {
    RunResult r = run({option, "list.txt", "movie"});
    EXPECT_EQ(r.status, 0) << option;
    std::string content;
    ASSERT_TRUE(read_whole_file(dir / "list.txt", &content)) << option;
    EXPECT_EQ(content, listed) << option;
  }
}

TEST_F(Listing, EmptyDirectoryListsNothingAndExtractionStops) {
  pdi_maker::ImagePlan plan;  // only ".", ".." and the subdirectory
  plan.with_subdirectory = true;
  make_set(plan, dir.path, "movie.pdi", {});
  RunResult r = run({"-gb", "list.txt", "movie"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "[extent ] File Name    Size       Date       Time\n");
  std::string content = "x";
  ASSERT_TRUE(read_whole_file(dir / "list.txt", &content));
  EXPECT_EQ(content, "");
  r = run({"movie"});
  EXPECT_EQ(r.status, 1);
  expect_err(r, {"movie"}, std::string("no files found in movie.pdi, exiting.\n") + kListingPrompt);
}

TEST_F(Listing, FirstMemberTooShortForADirectory) {
  FILE* f = fopen((dir / "tiny.pdi").c_str(), "wb");
  ASSERT_TRUE(f);
  fputs("not an image", f);
  fclose(f);
  RunResult r = run({"-l", "tiny"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "[extent ] File Name    Size       Date       Time\n");
}

TEST_F(Listing, ListFileThatCannotBeCreated) {
  make_set(listing_dvd_plan(), dir.path, "movie.pdi", {});
  RunResult r = run({"-gb", "no-such-dir/list.txt", "movie"});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("no-such-dir/list.txt: No such file or directory\n" + std::string(kListingPrompt)),
            std::string::npos)
      << r.err;
}

TEST_F(Listing, ListFileIsNeverWrittenOverAMember) {
  make_set(listing_dvd_plan(), dir.path, "movie.pdi", {100000});
  std::string before;
  ASSERT_TRUE(read_whole_file(dir / "movie.pdi01", &before));
  RunResult r = run({"-gb", "movie.pdi01", "movie"});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("movie.pdi01: is a member of the .pdi set, not overwritten\n"), std::string::npos) << r.err;
  std::string after;
  ASSERT_TRUE(read_whole_file(dir / "movie.pdi01", &after));
  EXPECT_EQ(before, after);
}

// Started with standard input on a pipe that stays open; returns the pid
// and the pipe's write end.
pid_t start_with_open_input(const std::string& folder, std::vector<std::string> args, int* input) {
  int fds[2];
  if (pipe(fds) != 0) return -1;
  const char* runner = getenv("QUARNEX_RUNNER");
  std::vector<std::string> words;
  if (runner && *runner) words.push_back(runner);
  words.push_back(getenv("QUARNEX_PROGRAM"));
  words.insert(words.end(), args.begin(), args.end());
  pid_t pid = fork();
  if (pid == 0) {
    dup2(fds[0], 0);
    close(fds[1]);
    int null = open("/dev/null", O_WRONLY);
    dup2(null, 1);
    dup2(null, 2);
    if (chdir(folder.c_str()) != 0) _exit(127);
    std::vector<char*> argv;
    for (std::string& w : words) argv.push_back(&w[0]);
    argv.push_back(nullptr);
    execvp(argv[0], argv.data());
    _exit(127);
  }
  close(fds[0]);
  *input = fds[1];
  return pid;
}

// Has the process ended within about ms milliseconds? Its status goes to *status.
bool ends_within(pid_t pid, int ms, int* status) {
  for (int waited = 0; waited < ms; waited += 20) {
    int w;
    if (waitpid(pid, &w, WNOHANG) == pid) {
      *status = WIFEXITED(w) ? WEXITSTATUS(w) : -1;
      return true;
    }
    usleep(20000);
  }
  return false;
}

TEST_F(Listing, FatalEndWaitsForReturnAndASuccessfulRunDoesNot) {
  make_set(listing_dvd_plan(), dir.path, "movie.pdi", {});
  int input = -1, status = -1;
  pid_t pid = start_with_open_input(dir.path, {"-l", "missing"}, &input);
  ASSERT_GT(pid, 0);
  EXPECT_FALSE(ends_within(pid, 1500, &status)) << "it must wait at the RETURN prompt";
  ASSERT_EQ(write(input, "\n", 1), 1);
  EXPECT_TRUE(ends_within(pid, 10000, &status));
  EXPECT_EQ(status, 1);
  close(input);

  pid = start_with_open_input(dir.path, {"-l", "movie"}, &input);
  ASSERT_GT(pid, 0);
  bool ended = ends_within(pid, 10000, &status);
  close(input);
  if (!ended) {
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
  }
  EXPECT_TRUE(ended) << "a successful run never reads its input";
  EXPECT_EQ(status, 0);
}

// Every file below folder with its bytes (the captured streams left out).
std::map<std::string, std::string> snapshot(const std::string& folder, const std::string& rel = "") {
  std::map<std::string, std::string> files;
  DIR* d = opendir((folder + "/" + rel).c_str());
  if (!d) return files;
  while (dirent* e = readdir(d)) {
    std::string name = e->d_name;
    if (name == "." || name == ".." || name.compare(0, 4, ".std") == 0) continue;
    std::string path = rel.empty() ? name : rel + "/" + name;
    std::map<std::string, std::string> below = snapshot(folder, path);
    std::string content;
    if (below.empty() && read_whole_file(folder + "/" + path, &content)) files[path] = content;
    else files[path + "/"] = "";
    files.insert(below.begin(), below.end());
  }
  closedir(d);
  return files;
}

// An empty word for a folder or an image name is refused before the set is
// opened: the message, the prompt, status 1, nothing written or deleted.
TEST_F(Listing, EmptyNamesAreRefusedBeforeTheSetIsOpened) {
  make_set(listing_dvd_plan(), dir.path, "movie.pdi", {300000, 200001});
  const std::map<std::string, std::string> before = snapshot(dir.path);
  ASSERT_EQ(before.size(), 3u);
  const std::string folder = "empty output directory name", image = "empty image name";
  const struct Case {
    std::vector<std::string> args;
    std::string message;
  } cases[] = {
      {{"-d", "", "movie"}, folder},
      {{"-r", "-d", "", "movie"}, folder},
      {{"-m", "", "movie"}, folder},
      {{"-r", "-m", "", "-v", "movie", "vts_01*"}, folder},
      {{"-x", ""}, folder},  // -x takes its folder from the set's name
      {{"-l", "-d", "", "movie"}, folder},
      {{"-i", "", "movie"}, image},
      {{"-r", "-i", "", "movie"}, image},
      {{"-i", "", "-m", "out", "movie"}, image},
  };
  for (const Case& c : cases) {
    RunResult r = run(c.args);
    std::string shown;
    for (const std::string& a : c.args) shown += "'" + a + "' ";
    EXPECT_EQ(r.status, 1) << shown;
    EXPECT_EQ(r.out, "") << shown;
    expect_err(r, c.args, c.message + kListingPrompt);
    EXPECT_TRUE(snapshot(dir.path) == before) << shown << ": the folder changed";
  }
}

// Without a directory that starts with its own record at 69 and without a
// volume descriptor that leads to one, sector 69 is read all the same and a
// warning says so.
TEST_F(Listing, WarningWhenNoDirectoryIsFound) {
  const std::string warning = "Warning: no ISO 9660 directory found in movie.pdi\n";
  struct Case {
    const char* what;
    bool descriptor;
    uint32_t directory_sector;
    bool spoil_own_record;    // the "." record at the directory's start renamed "X"
    bool root_past_the_set;   // the descriptor's root record points past the set
    bool warned;
    bool files_listed;        // the files of the directory of interest are found
  };
  const Case cases[] = {
      {"records at 69 without their own record, no descriptor", false, 69, true, false, true, true},
      {"nothing at 69, no descriptor", false, 300, false, false, true, false},
      {"nothing at 69, the descriptor's root past the set", true, 300, false, true, true, false},
      {"records at 69 without their own record, found through the descriptor", true, 69, true, false, false, true},
      {"the directory at 300 through the descriptor", true, 300, false, false, false, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ScratchDir fresh;
    std::swap(dir.path, fresh.path);
    pdi_maker::ImagePlan plan = listing_dvd_plan();
    plan.with_volume_descriptor = c.descriptor;
    plan.directory_sector = c.directory_sector;
    // The ten sectors read at 69 are the directory's own, zero past its records.
    plan.directory_sectors = 10;
    pdi_maker::Image image = pdi_maker::build_image(plan);
    uint8_t* directory = &image.metadata[size_t{image.directory_sector} * pdiset::kSectorSize];
    ASSERT_EQ(directory[iso::kIdentifierLength], 1);  // the own record's identifier: one zero byte
    ASSERT_EQ(directory[iso::kIdentifier], 0);
    if (c.spoil_own_record) directory[iso::kIdentifier] = 'X';
    if (c.root_past_the_set) {
      uint8_t* extent = &image.metadata[16 * pdiset::kSectorSize + iso::kRootRecord + iso::kExtent];
      const uint32_t far = 5000000;
      for (int i = 0; i < 4; ++i) extent[i] = extent[7 - i] = static_cast<uint8_t>(far >> (8 * i));
    }
    MadeSet set = make_set(image, dir.path, "movie.pdi", {250000});
    std::string listing = c.files_listed ? expected_listing(set.image) : expected_listing(pdi_maker::Image{});
    RunResult r = run({"-l", "movie"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, listing);
    expect_err(r, {"-l", "movie"}, c.warned ? warning : "");
    r = run({"-m", "out", "movie"});
    std::string rest;
    if (c.files_listed) {
      std::vector<FileRun> runs;
      for (const pdi_maker::PlacedFile& f : table_files(set.image))
        runs.push_back({std::string("out") + program_separator() + written_name(f.identifier), f.first_sector, f.size});
      rest = expect_runs(set, runs).progress;
      EXPECT_EQ(r.status, 0);
      for (const FileRun& run : runs) {
        std::string content;
        ASSERT_TRUE(read_whole_file(dir / ("out/" + run.path.substr(4)), &content)) << run.path;
        EXPECT_TRUE(content == expected_output(set.image, run)) << run.path;
      }
    } else {
      rest = std::string("no files found in movie.pdi, exiting.\n") + kListingPrompt;
      EXPECT_EQ(r.status, 1);
    }
    expect_err(r, {"-m", "out", "movie"}, (c.warned ? warning : "") + rest);
    std::swap(dir.path, fresh.path);
  }
}

}  // namespace
