// The command line: every option with its value check and message, the
// framework's split into options and files, the end of parsing and the add
// files of a batch run.
#include "shell/CommandLine.h"

#include "document/Profile.h"
#include "kernel/Kernel.h"
#include "platform/Files.h"
#include "tests/support/ModelFixture.h"

#include <gtest/gtest.h>

namespace qm {
namespace {

class CommandLine : public test::ModelTest {
  protected:
    CommandLine() {
        settings.NotationFolder = scratch / "Notations";
        settings.ScriptFolder = scratch / "Scripts";
        settings.DefaultNotation = "UML2.1.not";
        MakeDirectories(settings.NotationFolder);
        MakeDirectories(settings.ScriptFolder + "/CodeGen");
        Write(settings.NotationFolder + "/UML2.1.not");
        Write(settings.ScriptFolder + "/CodeGen/Cpp.vxs");
        Write(settings.ScriptFolder + "/CodeGen/notes.txt");
        Write(scratch / "a.pro");
        Write(scratch / "files.txt");
    }
    static void Write(const std::string& path, const std::string& text = "x") {
        ASSERT_TRUE(WriteFileReplacing(path, text));
    }
    // The message shown when parsing the items ends the run; "" when it does not.
    std::string Parse(const std::vector<std::string>& items) {
        info = std::make_unique<BatchCommandLineInfo>(settings);
        prompts.asked.clear();
        try {
            info->ParseCommandLine(items);
        } catch (const CommandLineExit& exit) {
            EXPECT_EQ(exit.Code(), 1);
            return prompts.asked.empty() ? "<no message>" : prompts.asked.back();
        }
        return "";
    }
    static std::string Error(const std::string& text) {
        return "Command Line Error: " + text + ".\nQuillmark will exit!";
    }

    Profile settings;
    std::unique_ptr<BatchCommandLineInfo> info;
};

TEST_F(CommandLine, ValueChecksEndWithTheirMessages) {
    const std::string scripts = settings.ScriptFolder;
    const struct {
        std::vector<std::string> items;
        std::string message;
    } cases[] = {
        {{"-scope=foo"}, "Invalid Scope: foo"},
        {{"-script"}, "Script name expected: script"},
        {{"-script="}, "Script name expected: script="},
        {{"-scope"}, "No scope specified: scope"},
        {{"/FOLDER"}, "No folder specified: FOLDER"},
        {{"-file"}, "No file specified: file"},
        {{"-add"}, "No add file specified: add"},
        {{"-revLang"}, "No language specified: revLang"},
        {{"-revModel"}, "No model specified: revModel"},
        {{"-revLang=Cobol"}, "Invalid Language: Cobol"},
        {{"-add=" + (scratch / "none.txt")}, "File does not exit: " + (scratch / "none.txt")},
        {{"-script=CodeGen/Gone.vxs"}, "Script does not exit: " + scripts + "/CodeGen/Gone.vxs"},
        {{"-script=CodeGen/notes.txt"},
         "file is not a KestScript: " + scripts + "/CodeGen/notes.txt"},
        {{"-new=Other.not"}, "Template does not exit: " + settings.NotationFolder + "/Other.not"},
        {{"-new=" + (scratch / "Mine.not")}, "Template does not exit: " + (scratch / "Mine.not")},
        {{"-batch", "-exit"}, "Project does not exit: "},
        {{"-batch", scratch / "missing.pro"},
         "Project does not exit: " + (scratch / "missing.pro")},
        {{"-batch", settings.NotationFolder + "/UML2.1.not"},
         "file is not a Quillmark project: " + settings.NotationFolder + "/UML2.1.not"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Parse(c.items), Error(c.message)) << c.items.front();
}

TEST_F(CommandLine, AcceptedOptionsSetTheirFields) {
    ASSERT_EQ(
        Parse({scratch / "a.pro", "/BATCH", "-Exit", "-SAVE=out.pro", "-scope=all models",
               "-script=CodeGen/Cpp.vxs", "-folder=gen", "-file=x", "-revLang=c++", "-revModel=M",
               "-add=" + (scratch / "files.txt"), "-Verbose=a=b", "-=odd", "-Flag", "-p"}),
        "");
    EXPECT_EQ(info->fileName, scratch / "a.pro");
    EXPECT_TRUE(info->batch);
    EXPECT_TRUE(info->exitWhenDone);
    EXPECT_TRUE(info->save);
    EXPECT_EQ(info->saveAs, "out.pro");
    EXPECT_EQ(info->scope, "all models");
    EXPECT_EQ(info->script, "CodeGen/Cpp.vxs");
    EXPECT_EQ(info->folder, "gen");
    EXPECT_EQ(info->file, "x");
    EXPECT_EQ(info->revLanguage, "c++");
    EXPECT_EQ(info->revModel, "M");
    EXPECT_EQ(info->addFile, scratch / "files.txt");
    EXPECT_TRUE(info->print);
    ASSERT_EQ(info->scriptOptions.size(), 3u);
    EXPECT_EQ(info->scriptOptions[0].name, "Verbose"); // only the first "=" separates
    EXPECT_EQ(info->scriptOptions[0].value, "a=b");
    EXPECT_EQ(info->scriptOptions[1].name, "=odd"); // nothing before "=": all of it is the name
    EXPECT_EQ(info->scriptOptions[1].value, "");
    EXPECT_EQ(info->scriptOptions[2].name, "Flag");
}

TEST_F(CommandLine, NewTakesTheDefaultTheBuiltInOrACheckedTemplate) {
    MakeDirectories(scratch / "Elsewhere");
    Write(scratch / "Elsewhere/Mine.not");
    const struct {
        std::string item;
        std::string newTemplate;
    } cases[] = {
        {"-new", "UML2.1.not"},
        {"-new=<Internal>", "<Internal>"},
        {"-new=<internal>", "<internal>"},
        {"-new=UML2.1.not", "UML2.1.not"},
        {"-new=" + (scratch / "Elsewhere/Mine.not"), scratch / "Elsewhere/Mine.not"},
    };
    for (const auto& c : cases) {
        ASSERT_EQ(Parse({c.item, "-batch"}), "") << c.item;
        EXPECT_EQ(info->newTemplate, c.newTemplate) << c.item;
        EXPECT_TRUE(info->fileName.empty());
    }
    // The template a new project is made with: an absolute path as it is.
    const std::string folder = settings.NotationFolder;
    const struct {
        std::string value;
        std::string path;
    } paths[] = {
        {"UML2.1.not", folder + "/UML2.1.not"},
        {"sub/Mine.not", folder + "/sub/Mine.not"},
        {scratch / "Elsewhere/Mine.not", scratch / "Elsewhere/Mine.not"},
        {"/Mine.not", "/Mine.not"},
    };
    for (const auto& p : paths)
        EXPECT_EQ(CommandLineTemplatePath(folder, p.value), p.path) << p.value;

    // Only the save's flag: the document's own path is used.
    ASSERT_EQ(Parse({"-save", scratch / "a.pro", "-batch"}), "");
    EXPECT_TRUE(info->save);
    EXPECT_TRUE(info->saveAs.empty());
}

TEST_F(CommandLine, WithoutBatchTheShellCommandFollowsTheFile) {
    ASSERT_EQ(Parse({}), "");
    EXPECT_EQ(info->shellCommand, ShellCommand::FileNew);
    ASSERT_EQ(Parse({"first.pro", scratch / "a.pro"}), "");
    EXPECT_EQ(info->shellCommand, ShellCommand::FileOpen);
    EXPECT_EQ(info->shellFileName, scratch / "a.pro"); // a later file replaces an earlier one
    ASSERT_EQ(Parse({scratch / "a.pro", "/p"}), "");
    EXPECT_EQ(info->shellCommand, ShellCommand::FilePrint);
    // A missing file is not the command line's business outside batch runs.
    EXPECT_EQ(Parse({"nowhere.pro"}), "");
}

TEST_F(CommandLine, SlashStartsAnOptionOnlyWhereItCannotBeAPath) {
    const struct {
        std::string item;
        bool option;
    } cases[] = {
        {"-batch", true}, {"/batch", true}, {"/Verbose=a/b", true}, {"/home/u/a.pro", false},
        {"a.pro", false}, {"-", false},     {"/", false},           {scratch / "a.pro", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(IsOptionItem(c.item), c.option) << c.item;
    // A file at the top of the tree that exists is a file, not an option.
    EXPECT_FALSE(IsOptionItem("/tmp"));
}

class AddFile : public CommandLine {
  protected:
    std::string Read(const std::string& text, kest::Cell** list) {
        Write(scratch / "add.txt", text);
        prompts.asked.clear();
        try {
            *list = ReadAddFile(scratch / "add.txt");
        } catch (const CommandLineExit&) {
            return prompts.asked.back();
        }
        return "";
    }
};

TEST_F(AddFile, ListsFilesAndFileOptionsInOrder) {
    kest::Cell* list = nullptr;
    ASSERT_EQ(Read("; a comment\n"
                   "src/a.h  \t\r\n"
                   "\n"
                   "   \n"
                   ";$ Include Path =/usr/include=x\n"
                   "src/b.h\n",
                   &list),
              "");
    EXPECT_EQ(print(list), "(\"src/a.h\" (\"$IncludePath\" \"/usr/include=x\") \"src/b.h\")");

    ASSERT_EQ(Read("; only\n;comments\n\n", &list), "");
    EXPECT_EQ(list, kest::nil);

    // A line ends at a NUL byte: nothing of it after that, and no empty name.
    ASSERT_EQ(Read(std::string("src/a.h  \0rest\n\0\0tail\nsrc/b.h\n", 30), &list), "");
    EXPECT_EQ(print(list), "(\"src/a.h\" \"src/b.h\")");

    // A long line stays one file name.
    const std::string longName(700, 'n');
    ASSERT_EQ(Read(longName + "\n", &list), "");
    EXPECT_EQ(print(list), "(\"" + longName + "\")");
}

TEST_F(AddFile, BadFileOptionsAndMissingFilesEndTheRun) {
    kest::Cell* list = nullptr;
    EXPECT_EQ(Read(";$Name value\n", &list), Error("missing = in file option: ;$Name value"));
    prompts.asked.clear();
    EXPECT_THROW(ReadAddFile(scratch / "absent.txt"), CommandLineExit);
    EXPECT_EQ(prompts.asked.back(), Error("can't open file: " + (scratch / "absent.txt")));
}

} // namespace
} // namespace qm
