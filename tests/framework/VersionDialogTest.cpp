#include "Form.h"
#include "ModalDriver.h"
#include "RecordingLauncher.h"
#include "ScriptedPrompter.h"
#include "VersionSource.h"
#include "uTZybTranslator.h"
#include "uTZybVersionDialog.h"
#include "ufAbout.h"

#include <QFontMetrics>
#include <QTest>
#include <gtest/gtest.h>

namespace {

using Rows = QList<QPair<QString, QString>>;

const QString prefix = QStringLiteral("StringFileInfo\\040904E4\\");

class FakeVersionSource : public vx::VersionSource {
public:
    FakeVersionSource() { vx::setVersionSource(this); }
    ~FakeVersionSource() override { vx::setVersionSource(nullptr); }

    std::optional<QMap<QString, QString>> strings() const override { return table; }

    std::optional<QMap<QString, QString>> table;
};

QMap<QString, QString> fullTable() {
    return {{prefix + "CompanyName", "Maker"},        {prefix + "FileDescription", "Runner"},
            {prefix + "FileVersion", "2.5.0"},        {prefix + "InternalName", "vx"},
            {prefix + "LegalCopyright", "(C) Maker"}, {prefix + "LegalTradeMarks", "TM"},
            {prefix + "OriginalFileName", "vx.exe"},  {prefix + "ProductName", "Vornalex"},
            {prefix + "ProductVersion", "2.5"},       {prefix + "Comments", "Many databases"}};
}

Rows rowsOf(const TfAbout& about) {
    Rows rows;
    for (int row = 0; row < about.vlAppInfo->rowCount(); ++row)
        rows.append({about.vlAppInfo->item(row, 0)->text(), about.vlAppInfo->item(row, 1)->text()});
    return rows;
}

class VersionDialogTest : public testing::Test {
protected:
    VersionDialogTest() { source.table = fullTable(); }

    FakeVersionSource source;
    TZybVersionDialog dialog;
};

struct RowsCase {
    const char* name;
    std::optional<TZybVersionInfoSet> entries; // none: the dialog's initial set
    bool hasTable;
    Rows rows;
};

class VersionRowsTest : public VersionDialogTest, public testing::WithParamInterface<RowsCase> {};

TEST_P(VersionRowsTest, ListsTheChosenEntriesInEntryOrder) {
    if (GetParam().entries)
        dialog.SetVersionInfo(*GetParam().entries);
    if (!GetParam().hasTable)
        source.table.reset();
    EXPECT_EQ(rowsOf(*dialog.CreateAboutWindow()), GetParam().rows);
}

INSTANTIATE_TEST_SUITE_P(
    Sets, VersionRowsTest,
    testing::Values(RowsCase{"Default",
                             std::nullopt,
                             true,
                             {{"Company Name", "Maker"},
                              {"File Version", "2.5.0"},
                              {"Product Name", "Vornalex"},
                              {"Product Version", "2.5"}}},
                    RowsCase{"WrittenOutOfOrder",
                             TZybVersionInfoSet{viComments, viCompanyName},
                             true,
                             {{"Company Name", "Maker"}, {"Comments", "Many databases"}}},
                    RowsCase{"AllTen",
                             TZybVersionInfoSet{viComments, viProductVersion, viProductName,
                                                viOriginalFileName, viLegalTradeMarks,
                                                viLegalCopyright, viInternalName, viFileVersion,
                                                viFileDescription, viCompanyName},
                             true,
                             {{"Company Name", "Maker"},
                              {"File Description", "Runner"},
                              {"File Version", "2.5.0"},
                              {"Internal Name", "vx"},
                              {"Legal Copyright", "(C) Maker"},
                              {"Legal Trade Marks", "TM"},
                              {"Original File Name", "vx.exe"},
                              {"Product Name", "Vornalex"},
                              {"Product Version", "2.5"},
                              {"Comments", "Many databases"}}},
                    RowsCase{"Empty", TZybVersionInfoSet(), true, {}},
                    RowsCase{"NoVersionInformation",
                             TZybVersionInfoSet{viCompanyName},
                             false,
                             {{"No version information found", ""}}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(VersionDialogTest, EntriesMissingFromALaterReadKeepTheirEarlierValues) {
    dialog.SetVersionInfo({viCompanyName, viFileVersion});
    dialog.BuildInfoLines();
    source.table = QMap<QString, QString>{{prefix + "CompanyName", "New maker"},
                                          {"StringFileInfo\\04190419\\FileVersion", "9.9"}};
    dialog.BuildInfoLines();
    EXPECT_EQ(dialog.InfoLines(), QStringList({"Company Name=New maker", "File Version=2.5.0"}));
}

TEST_F(VersionDialogTest, KeyColumnFitsTheWidestKeyOnShow) {
    dialog.SetVersionInfo({viCompanyName, viOriginalFileName});
    auto about = dialog.CreateAboutWindow();
    about->show();
    const QFontMetrics metrics(about->vlAppInfo->font());
    const int keyWidth = metrics.horizontalAdvance(QStringLiteral("Original File Name")) + 10;
    EXPECT_EQ(about->vlAppInfo->columnWidth(0), keyWidth);
    EXPECT_EQ(about->vlAppInfo->columnWidth(1), about->vlAppInfo->viewport()->width() - keyWidth);
}

TEST_F(VersionDialogTest, KeyColumnKeepsItsWidthWithoutRows) {
    dialog.SetVersionInfo({});
    auto about = dialog.CreateAboutWindow();
    const int stored = about->vlAppInfo->columnWidth(0);
    about->show();
    EXPECT_EQ(about->vlAppInfo->columnWidth(0), stored);
}

TEST_F(VersionDialogTest, WindowTakesCaptionsSizeAndPicture) {
    dialog.SetAboutDlgCaption(QStringLiteral("О программе"));
    dialog.SetDlgVersionPageCaption(QStringLiteral("Версия"));
    dialog.SetDialogWidth(500);
    dialog.SetDialogHeight(250);
    dialog.SetPicture(QPixmap(QStringLiteral(":/pictures/about.gif")));
    dialog.SetPictureShowBorder(false);
    dialog.SetPictureStretched(false);
    auto about = dialog.CreateAboutWindow();
    EXPECT_EQ(about->windowTitle(), QStringLiteral("О программе"));
    EXPECT_EQ(about->PageControl->tabText(0), QStringLiteral("Версия"));
    EXPECT_EQ(about->size(), QSize(500, 250));
    EXPECT_EQ(about->Image->pixmap().size(), QSize(105, 105));
    EXPECT_FALSE(about->Image->hasScaledContents());
    EXPECT_EQ(about->Bevel2->frameShape(), QFrame::NoFrame);
    about->show();
    EXPECT_EQ(about->Label1->text(), vx::applicationTitle());
}

struct LinkCase {
    const char* name;
    const char* linkText;
    const char* mailText;
    const char* shownLink;
    const char* shownMail;
};

class LinkLabelsTest : public VersionDialogTest, public testing::WithParamInterface<LinkCase> {};

TEST_P(LinkLabelsTest, ShowTheirTextOrTheAddress) {
    dialog.SetLink(QStringLiteral("https://example.org/vx"));
    dialog.SetMail(QStringLiteral("team@example.org"));
    dialog.SetLinkText(QString::fromUtf8(GetParam().linkText));
    dialog.SetMailText(QString::fromUtf8(GetParam().mailText));
    dialog.SetLinkCaption(QStringLiteral("Web"));
    dialog.SetMailCaption(QStringLiteral("Mail"));
    auto about = dialog.CreateAboutWindow();
    EXPECT_EQ(about->lLink->text(), QString::fromUtf8(GetParam().shownLink));
    EXPECT_EQ(about->lMail->text(), QString::fromUtf8(GetParam().shownMail));
    EXPECT_EQ(about->lLinkCaption->text(), QStringLiteral("Web"));
    EXPECT_EQ(about->lMailCaption->text(), QStringLiteral("Mail"));
    // Texts from tables and settings are shown as they are, never as markup.
    EXPECT_EQ(about->lLink->textFormat(), Qt::PlainText);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, LinkLabelsTest,
    testing::Values(LinkCase{"Given", "Home page", "Write to us", "Home page", "Write to us"},
                    LinkCase{"Empty", "", "", "https://example.org/vx", "team@example.org"},
                    LinkCase{"LinkOnly", "<b>Home</b>", "", "<b>Home</b>", "team@example.org"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(VersionDialogTest, LinkStripShowsOnlyWhenAskedFor) {
    auto hidden = dialog.CreateAboutWindow();
    hidden->show();
    EXPECT_FALSE(hidden->pLink->isVisible());

    dialog.SetLinkVisible(true);
    auto shown = dialog.CreateAboutWindow();
    shown->show();
    EXPECT_TRUE(shown->pLink->isVisible());
    EXPECT_TRUE(shown->lLink->isVisible());
    const int valueLeft = shown->vlAppInfo->x() + shown->vlAppInfo->columnWidth(0);
    EXPECT_EQ(shown->lLink->x(), valueLeft);
    EXPECT_EQ(shown->lMail->x(), valueLeft);
}

class LinkClickTest : public VersionDialogTest {
protected:
    std::unique_ptr<TfAbout> shownAbout() {
        dialog.SetLinkVisible(true);
        dialog.SetLink(QStringLiteral("https://example.org/vx"));
        dialog.SetMail(QStringLiteral("a@b?subject=x"));
        auto about = dialog.CreateAboutWindow();
        about->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(about.get()));
        return about;
    }

    vx::test::RecordingLauncher launcher;
    vx::test::ScriptedPrompter prompter;
};

TEST_F(LinkClickTest, OpensTheAddressesThroughTheLauncher) {
    auto about = shownAbout();
    QTest::mouseClick(about->lMail, Qt::LeftButton);
    QTest::mouseClick(about->lLink, Qt::LeftButton);
    QTest::mouseClick(about->lLinkCaption, Qt::LeftButton);
    ASSERT_EQ(launcher.urls.size(), 2);
    EXPECT_EQ(launcher.urls[0].toString(), QStringLiteral("mailto:a@b?subject=x"));
    EXPECT_EQ(launcher.urls[1], QUrl(QStringLiteral("https://example.org/vx")));
    EXPECT_TRUE(prompter.prompts().isEmpty());
}

TEST_F(LinkClickTest, ALinkThatCannotOpenShowsWhy) {
    auto about = shownAbout();
    QTest::mouseClick(about->lLink, Qt::LeftButton);
    launcher.failOpens();
    EXPECT_EQ(prompter.texts(), QStringList{QStringLiteral("no application could open it")});
}

// The main window's way of holding the about box: an owned component that its translator reaches.
class OwnerWindow : public QWidget, public vx::Form {
public:
    OwnerWindow() {
        addComponent(&dialog, QStringLiteral("ZybVersionDialog"));
        addComponent(&translator, QStringLiteral("ZybTranslator"));
        translator.LoadTable({
            {"ZybVersionDialog.AboutDlgCaption", "About", "О программе"},
            {"zybversiondialog.CompanyNameCaption", "Company", "Компания"},
            {"ZybVersionDialog.DlgVersionPageCaption", "Version", "Версия"},
            {"ZybVersionDialog.FileVersionCaption", "Version of file", "Версия файла"},
            {"ZybVersionDialog.Link", "https://example.org/en", "https://example.org/ru"},
            {"ZybVersionDialog.LinkCaption", "Web", "Сайт"},
            {"ZybVersionDialog.MailCaption", "Mail", "Почта"},
        });
    }

    TZybVersionDialog dialog{this};
    TZybTranslator translator{this};
};

TEST(VersionDialogTranslationTest, LanguageReplacesCaptionsAndLink) {
    FakeVersionSource source;
    source.table = fullTable();
    OwnerWindow window;
    window.translator.SetActiveLanguage(1);
    window.translator.ApplyLanguage();

    auto about = window.dialog.CreateAboutWindow();
    EXPECT_EQ(about->windowTitle(), QStringLiteral("О программе"));
    EXPECT_EQ(about->PageControl->tabText(0), QStringLiteral("Версия"));
    EXPECT_EQ(rowsOf(*about), Rows({{"Компания", "Maker"},
                                    {"Версия файла", "2.5.0"},
                                    {"Product Name", "Vornalex"},
                                    {"Product Version", "2.5"}}));
    EXPECT_EQ(about->lLink->text(), QStringLiteral("https://example.org/ru"));
    EXPECT_EQ(about->lLinkCaption->text(), QStringLiteral("Сайт"));
    EXPECT_EQ(about->lMailCaption->text(), QStringLiteral("Почта"));
}

TEST_F(VersionDialogTest, ExecuteShowsTheBoxModallyUntilOk) {
    bool driven = false;
    vx::test::onNextModalOf<TfAbout>([&](TfAbout* about) {
        driven = true;
        EXPECT_EQ(rowsOf(*about).size(), 4);
        about->ZybDlgButtonPanel->Buttons().Items(0)->Button()->click();
    });
    dialog.Execute();
    EXPECT_TRUE(driven);
}

} // namespace
