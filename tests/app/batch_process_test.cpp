// The program itself run as a batch without a display: every kind of command-file line,
// the log beside the command file, the messages also on standard error, and the exit
// code; a wrong switch on the command line; and a component library that cannot be read.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include <sys/wait.h>

namespace fs = std::filesystem;

namespace {

struct ProcessResult {
    int exitCode = -1;
    std::string output;  // standard output and standard error
};

// The program folder is the shipped data unless another is given.
ProcessResult RunProgram(const fs::path& folder, const std::string& arguments, const fs::path& home = OB7_SHIPPED_DATA) {
    const fs::path out = folder / "output.txt";
    const std::string command = "cd '" + folder.string() + "' && env QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR='" +
                                folder.string() + "' OB7_HOME='" + home.string() + "' '" + OB7_DEMO_EXE + "' " +
                                arguments + " >'" + out.string() + "' 2>&1";
    ProcessResult result;
    const int status = std::system(command.c_str());
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    std::ifstream in(out);
    std::stringstream text;
    text << in.rdbuf();
    result.output = text.str();
    return result;
}

struct ProcessFixture : ::testing::Test {
    fs::path folder = fs::temp_directory_path() / ("ob7_process_" + std::to_string(::getpid()));
    void SetUp() override {
        fs::remove_all(folder);
        fs::create_directories(folder);
        std::ofstream(folder / "rc.cir") << "RC low-pass\nV1 in 0 PULSE(0 1 0 1u 1u 5m 10m) AC 1\nR1 in out 1k\n"
                                            "C1 out 0 1u\n.TRAN 10u 10m\n.AC DEC 20 1 100k\n.END\n";
    }
    void TearDown() override { fs::remove_all(folder); }
};

}  // namespace

TEST_F(ProcessFixture, BatchRunsEveryLineWritesTheLogAndFailsWithItsLines) {
    std::ofstream(folder / "run.cmd") << "; every kind of line\n"
                                         "* skipped\n"
                                         "goto main\n"
                                         "rc.cir /A\n"
                                         "label main\n"
                                         "missing.cir /T\n"
                                         "rc.cir /T /Q\n"
                                         "rc.cir /t ; lower case\n";
    ProcessResult r = RunProgram(folder, "@run.cmd");
    EXPECT_EQ(r.exitCode, 1);  // two lines failed
    EXPECT_NE(r.output.find("File not found 'missing.cir'."), std::string::npos) << r.output;
    EXPECT_NE(r.output.find("Error in command line '/Q'."), std::string::npos) << r.output;
    std::ifstream log(folder / "run.DOC");
    std::vector<std::string> lines;
    for (std::string line; std::getline(log, line);) lines.push_back(line);
    ASSERT_EQ(lines.size(), 10u);
    EXPECT_EQ(lines[3], "OB7 Error ");
    EXPECT_EQ(lines[4], "\tFile not found 'missing.cir'.");
    EXPECT_EQ(lines[6], "\tError in command line '/Q'.");
    // The line after the failures ran: only the transient, the AC line was jumped over.
    EXPECT_EQ(lines[7].substr(0, 21), "rc.cir             /T");
    EXPECT_EQ(lines[8].rfind("Total run time", 0), 0u);

    // Every line good: exit code 0.
    std::ofstream(folder / "good.cmd") << "RC.CIR /T\n";
    EXPECT_EQ(RunProgram(folder, "@good.cmd").exitCode, 0);
}

TEST_F(ProcessFixture, WrongSwitchEndsTheStartWithItsMessage) {
    ProcessResult r = RunProgram(folder, "rc.cir /X");
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.output.find("Error in command line '/X'."), std::string::npos) << r.output;
}

// A component library that is installed but cannot be read ends the start with its
// message and exit code 1, before anything runs; with no library installed at all the
// program still runs.
TEST_F(ProcessFixture, UnreadableComponentLibraryEndsTheStart) {
    const fs::path home = folder / "home";
    fs::create_directories(home);
    fs::copy_file(fs::path(OB7_SHIPPED_DATA) / "NOM.LIB", home / "NOM.LIB");  // the circuit's models
    std::ofstream(folder / "good.cmd") << "RC.CIR /T\n";
    EXPECT_EQ(RunProgram(folder, "@good.cmd", home).exitCode, 0);
    fs::remove(folder / "good.DOC");

    std::ofstream(home / "Demo.cmp", std::ios::binary) << "not a library";
    ProcessResult r = RunProgram(folder, "@good.cmd", home);
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.output.find("This File is not a recognizable format."), std::string::npos) << r.output;
    EXPECT_FALSE(fs::exists(folder / "good.DOC"));  // the batch never started
    EXPECT_FALSE(fs::exists(home / "ombr.dat"));
    std::ifstream in(home / "Demo.cmp");
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "not a library");
}
