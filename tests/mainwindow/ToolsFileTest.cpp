#include "ToolsFile.h"
#include "ConnectionDefinition.h"
#include "Errors.h"
#include "FileBytes.h"
#include "IniFile.h"
#include "ProgramSandbox.h"
#include "RecordingLauncher.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using vx::ToolEntry;

namespace {

class ToolsFileTest : public testing::Test {
protected:
    QString path() const { return m_dir.filePath("vxTools.ini"); }
    void writeBytes(const QByteArray& bytes) const { vx::test::writeFileBytes(path(), bytes); }

    QTemporaryDir m_dir;
    vx::ToolsFile tools{path()};
};

TEST_F(ToolsFileTest, ToolsPairTheirKeysBySuffixInFileOrder) {
    writeBytes("[Other]\nname5=not a tool\n"
               "[Tools]\nname0=Query Analyzer\napp0=isqlw\nparams0=-S %s\nparamsTrust0=-E\n"
               "Name1=capital N is no tool\napp1=wrong\nparams1=wrong\n"
               "app2=sqlwb\nname2=Studio\nPARAMSTRUST2=-S %s -E\n"
               "nameX=Lettered\n");
    EXPECT_EQ(tools.read(), (QList<ToolEntry>{{"0", "Query Analyzer", "isqlw", "-S %s", "-E"},
                                              {"2", "Studio", "sqlwb", "", "-S %s -E"},
                                              {"X", "Lettered", "", "", ""}}));

    QFile::remove(path());
    EXPECT_EQ(tools.read(), QList<ToolEntry>());
}

TEST_F(ToolsFileTest, WritingRenumbersTheToolsAndKeepsOtherSections) {
    writeBytes("[Before]\nk=v\n[Tools]\nname0=Old\napp0=old\nname7=Older\n[After]\nx=y\n");
    tools.write({{"7", "T1", "a", "p", "pt"}, {"0", "T2", "", "", ""}});

    const vx::IniFile ini(path());
    EXPECT_EQ(ini.readSections(), (QStringList{"Before", "After", "Tools"}));
    EXPECT_EQ(ini.readString("Before", "k", ""), "v");
    EXPECT_EQ(ini.readString("After", "x", ""), "y");
    EXPECT_EQ(ini.readSectionValues("Tools"), (QList<vx::IniFile::Entry>{{"name0", "T1"},
                                                                         {"app0", "a"},
                                                                         {"params0", "p"},
                                                                         {"paramsTrust0", "pt"},
                                                                         {"name1", "T2"},
                                                                         {"app1", ""},
                                                                         {"params1", ""},
                                                                         {"paramsTrust1", ""}}));
    EXPECT_EQ(tools.read()[1], (ToolEntry{"1", "T2", "", "", ""}));
}

TEST(ToolArguments, EveryValueStaysOneArgumentAsItIs) {
    ConnectionDefinition c;
    c.server = "srv,1433";
    c.database = "sales";
    c.user = "sa";
    c.password = R"(p w"d;'%PATH%' $HOME пароль)";
    struct Case {
        QString format;
        QStringList arguments;
    };
    const QList<Case> cases = {
        {"-S %s -d %s -U %s -P %s", {"-S", c.server, "-d", "sales", "-U", "sa", "-P", c.password}},
        {"-P%s -S %s", {"-P" + c.server, "-S", "sales"}},
        {R"("-S %s" -x"%s")", {"-S srv,1433", "-xsales"}},
        {"%%x %-5s| %.2s", {"%x", "srv,1433|", "sa"}},
        {"--no-args", {"--no-args"}},
        {"", {}},
    };
    for (const Case& t : cases)
        EXPECT_EQ(vx::toolArguments(t.format, c), t.arguments) << t.format.toStdString();

    c.database.clear();
    EXPECT_EQ(vx::toolArguments("-S %s -d %s -E", c),
              (QStringList{"-S", c.server, "-d", "", "-E"}));

    for (const QString format : {"-S %d", "%s %s %s %s %s", "-S %", "%1:s"}) {
        try {
            vx::toolArguments(format, c);
            ADD_FAILURE() << format.toStdString() << " must be refused";
        } catch (const vx::Error& e) {
            EXPECT_EQ(e.message(), "Format '" + format + "' invalid or incompatible with argument");
        }
    }
}

TEST(StartTool, TheFormatFollowsTheAuthenticationAndOnlyTheProgramIsExpanded) {
    vx::test::RecordingLauncher launcher;
    const vx::test::ScopedEnvironment program("VX_TOOL_PROGRAM", "sh");
    const ToolEntry tool{"0", "Shell", "%VX_TOOL_PROGRAM%", "%s %s -U %s -P %s", "-S %s -d %s -E"};
    ConnectionDefinition c;
    c.server = "S";
    c.database = "D";
    c.user = "U";
    c.password = "%VX_TOOL_PROGRAM% $VX_TOOL_PROGRAM";

    vx::startTool(tool, c);
    c.trusted = true;
    vx::startTool(tool, c);

    ASSERT_EQ(launcher.starts.size(), 2);
    EXPECT_TRUE(launcher.starts[0].program.endsWith("/sh"));
    EXPECT_EQ(launcher.starts[0].arguments, (QStringList{"S", "D", "-U", "U", "-P", c.password}));
    EXPECT_EQ(launcher.starts[1].arguments, (QStringList{"-S", "S", "-d", "D", "-E"}));

    for (const QString app : {"nosuchtool-vx", ""}) {
        try {
            vx::startTool({"0", "Missing", app, "", ""}, c);
            ADD_FAILURE() << "a missing program must raise";
        } catch (const vx::Error& e) {
            EXPECT_EQ(e.message(), "Ошибка запуска файла: " + app + " (No such file or directory)");
        }
    }
    EXPECT_THROW(vx::startTool({"0", "Bad", "sh", "", "-S %d"}, c), vx::Error);
    EXPECT_EQ(launcher.starts.size(), 2) << "nothing more was started";
}

} // namespace

namespace {

TEST(DefaultToolsFile, HoldsTheTwoToolsWithWindowsLineEnds) {
    QFile file(VX_DEFAULT_TOOLS_FILE);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    EXPECT_EQ(bytes.count("\r\n"), 9);
    EXPECT_EQ(bytes.count('\n'), 9) << "every line ends with CR LF";

    const QList<ToolEntry> tools = vx::ToolsFile(VX_DEFAULT_TOOLS_FILE).read();
    ASSERT_EQ(tools.size(), 2);
    EXPECT_EQ(tools[0].name, "Query Analyzer");
    EXPECT_EQ(tools[1], (ToolEntry{"1", "SQL Management Studio", "sqlwb", "-S %s -d %s -U %s -P %s",
                                   "-S %s -d %s -E"}));
    ConnectionDefinition c{"S", "D", "U", "P"};
    EXPECT_EQ(vx::toolArguments(tools[0].params, c),
              (QStringList{"-S", "S", "-d", "D", "-U", "U", "-P", "P"}));
    EXPECT_EQ(vx::toolArguments(tools[0].paramsTrust, c),
              (QStringList{"-S", "S", "-d", "D", "-E"}));
}

} // namespace
