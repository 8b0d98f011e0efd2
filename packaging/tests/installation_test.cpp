// The installation as a lab meets it: what the programs say of themselves,
// the file types a desktop gives ondrel's files, and an installed tolvek.
#include <gtest/gtest.h>

#include <QMimeDatabase>
#include <filesystem>
#include <string>
#include <vector>

#include "test_support/file_size_limit.h"
#include "test_support/process_run.h"
#include "test_support/temp_dir.h"

namespace {

using test_support::ProcessOptions;
using test_support::ProcessResult;
using test_support::ReadFile;
using test_support::RunProcess;
using test_support::TempDir;

const std::vector<std::string> kPrograms = {PROGRAMS};

// Without any display: a program that opened its window would end in Qt's
// "could not connect to display" abort instead.
// Options that only change the environment (built by assignment: GCC 12
// warns of the members a designated initializer leaves out).
ProcessOptions withEnvironment(std::vector<std::string> environment) {
    ProcessOptions options;
    options.environment = std::move(environment);
    return options;
}

const ProcessOptions kNoDisplay =
    withEnvironment({"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"});

std::string nameOf(const std::string& path) {
    return std::filesystem::path(path).filename().string();
}

TEST(ProgramInformation, EveryProgramPrintsItsUsageWithoutAWindow) {
    for (const std::string& program : kPrograms) {
        SCOPED_TRACE(program);
        const ProcessResult run = RunProcess(program, {"--help"}, kNoDisplay);
        EXPECT_EQ(run.exitCode, 0) << run.err;
        EXPECT_EQ(run.out.rfind("Usage: " + nameOf(program), 0), 0u) << run.out;
        EXPECT_NE(run.out.find("--version"), std::string::npos) << run.out;
        EXPECT_EQ(run.err, "");
    }
}

TEST(ProgramInformation, EveryProgramPrintsTheSuiteVersion) {
    for (const std::string& program : kPrograms) {
        SCOPED_TRACE(program);
        // Also after other words: a lab script may add --version anywhere.
        const ProcessResult run = RunProcess(program, {"1", "--version"}, kNoDisplay);
        EXPECT_EQ(run.exitCode, 0) << run.err;
        EXPECT_EQ(run.out.substr(0, run.out.find('\n')), nameOf(program) + " " + SUITE_VERSION);
        EXPECT_NE(run.out.find("GPL"), std::string::npos) << run.out;
    }
}

TEST(ProgramInformation, AnAnswerThatCannotBeWrittenFails) {
    for (const std::string& program : kPrograms) {
        SCOPED_TRACE(program);
        const test_support::FileSizeLimit full(0);
        EXPECT_EQ(RunProcess(program, {"--help"}, kNoDisplay).exitCode, 1);
        EXPECT_EQ(RunProcess(program, {"--version"}, kNoDisplay).exitCode, 1);
    }
}

// The shared MIME database made of ondrel's file types alone, as
// update-mime-database makes it when the package is installed.
class FileTypes : public testing::Test {
protected:
    void SetUp() override {
        const auto packages = dir_.path() / "mime" / "packages";
        std::filesystem::create_directories(packages);
        std::filesystem::copy_file(ONDREL_MIME_XML, packages / "ondrel.xml");
        const std::string dataDirs = "XDG_DATA_DIRS=" + dir_.path().string();
        const std::string dataHome = "XDG_DATA_HOME=" + (dir_ / "home").string();
        const ProcessResult update = RunProcess(UPDATE_MIME_DATABASE, {(dir_ / "mime").string()},
                                                withEnvironment({dataDirs, dataHome}));
        // It says nothing unless the file is faulty.
        ASSERT_EQ(update.exitCode, 0) << update.err;
        ASSERT_EQ(update.err, "");
        qputenv("XDG_DATA_DIRS", QByteArray::fromStdString(dir_.path().string()));
        qputenv("XDG_DATA_HOME", QByteArray::fromStdString((dir_ / "home").string()));
    }

    TempDir dir_;
};

TEST_F(FileTypes, OndrelsFilesAreKnownInEitherCaseAndOpenInOndrel) {
    const std::string desktopEntry = ReadFile(ONDREL_DESKTOP);
    const std::vector<std::pair<QString, QString>> extensions = {
        {"cvn", "application/x-ondrel-model"},     {"mec", "application/x-voltammetry-mechanism"},
        {"ocv", "application/x-voltammogram-ocv"}, {"aa0", "application/x-voltammogram-aa0"},
        {"prn", "application/x-voltammogram-prn"},
    };
    const QMimeDatabase database;
    for (const auto& [extension, type] : extensions) {
        const QString mixed = extension.left(1).toUpper() + extension.mid(1);
        for (const QString& name : {"A." + extension.toUpper(), "a." + extension, "a." + mixed}) {
            SCOPED_TRACE(name.toStdString());
            const QMimeType found = database.mimeTypeForFile(name, QMimeDatabase::MatchExtension);
            EXPECT_EQ(found.name(), type);
            EXPECT_TRUE(found.inherits(QStringLiteral("text/plain")));
        }
        EXPECT_NE(desktopEntry.find(type.toStdString() + ";"), std::string::npos)
            << type.toStdString() << " is missing from ondrel's MimeType=";
    }
}

// tolvek installed as the package installs it, into a folder of its own.
class InstalledTolvek : public testing::Test {
protected:
    void SetUp() override {
        const ProcessResult install = RunProcess(
            CMAKE_COMMAND,
            {"--install", BUILD_DIR, "--prefix", prefix_.path().string(), "--component", "tolvek"});
        ASSERT_EQ(install.exitCode, 0) << install.out << install.err;
    }

    std::filesystem::path installed(const std::string& path) const { return prefix_.path() / path; }

    TempDir prefix_;
};

TEST_F(InstalledTolvek, FindsItsPortLibraryInItsPrivateFolder) {
    const auto program = installed("bin/tolvek");
    ASSERT_TRUE(std::filesystem::exists(program));
    EXPECT_FALSE(std::filesystem::exists(installed("bin/libinpout32.so")));

    TempDir work;
    const std::string wave = work.write("wave.txt", "4095,0,1,1\n2048,2048,0,0\n");
    const std::string memory = (work / "board.txt").string();
    const ProcessResult run = RunProcess(program.string(), {"--download", wave},
                                         withEnvironment({"INPOUT32_BACKEND=board:" + memory}));
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(ReadFile(memory), "0 131 0 4095\n1 128 2048 2048\n2 0 0 0\n");
}

TEST_F(InstalledTolvek, RefersToNothingOfTheBuildTree) {
    for (const std::string path : {"bin/tolvek", INSTALL_LIBDIR "/tolvek/libinpout32.so"}) {
        SCOPED_TRACE(path);
        const ProcessResult dynamic = RunProcess("/usr/bin/readelf", {"-d", installed(path)});
        ASSERT_EQ(dynamic.exitCode, 0) << dynamic.err;
        EXPECT_EQ(dynamic.out.find("RPATH"), std::string::npos) << dynamic.out;
        EXPECT_EQ(dynamic.out.find("RUNPATH"), std::string::npos) << dynamic.out;
    }
}

TEST_F(InstalledTolvek, ComesWithWhatTheDesktopNeeds) {
    for (const std::string path :
         {"share/applications/tolvek.desktop", "share/icons/hicolor/scalable/apps/tolvek.svg",
          "share/metainfo/" APPSTREAM_PREFIX ".tolvek.metainfo.xml", "share/doc/tolvek/copyright"})
        EXPECT_TRUE(std::filesystem::is_regular_file(installed(path))) << path;
}

}  // namespace
