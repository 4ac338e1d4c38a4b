#include "uTZybVersionDialog.h"

#include "VersionSource.h"
#include "ufAbout.h"

namespace {

struct VersionEntry {
    const char* key;
    const char* caption;
};

// Indexed by TZybVersionInfo.
constexpr VersionEntry versionEntries[versionInfoCount] = {
    {"CompanyName", "Company Name"},
    {"FileDescription", "File Description"},
    {"FileVersion", "File Version"},
    {"InternalName", "Internal Name"},
    {"LegalCopyright", "Legal Copyright"},
    {"LegalTradeMarks", "Legal Trade Marks"},
    {"OriginalFileName", "Original File Name"},
    {"ProductName", "Product Name"},
    {"ProductVersion", "Product Version"},
    {"Comments", "Comments"},
};

} // namespace

TZybVersionDialog::TZybVersionDialog(QObject* owner) : QObject(owner) {
    for (int entry = 0; entry < versionInfoCount; ++entry)
        m_captions[entry] = QString::fromLatin1(versionEntries[entry].caption);
}

QString TZybVersionDialog::GetTranslation() const {
    // vilEnglishUSA, the only language: U.S. English, code page 1252.
    return QStringLiteral("040904E4");
}

bool TZybVersionDialog::ReadVersionInfo() {
    const auto strings = vx::versionSource().strings();
    if (!strings)
        return false;
    const QString prefix = QStringLiteral("StringFileInfo\\") + GetTranslation() + u'\\';
    for (int entry = 0; entry < versionInfoCount; ++entry) {
        const auto found = strings->constFind(prefix + QLatin1String(versionEntries[entry].key));
        if (found != strings->cend())
            m_versionValues[entry] = *found;
    }
    return true;
}

void TZybVersionDialog::BuildInfoLines() {
    m_infoLines.clear();
    if (!ReadVersionInfo()) {
        m_infoLines.append(QStringLiteral("No version information found"));
        return;
    }
    for (int entry = 0; entry < versionInfoCount; ++entry) {
        const auto item = TZybVersionInfo(entry);
        if (m_versionInfo.contains(item))
            m_infoLines.append(GetItemCaption(item) + u'=' + m_versionValues[entry]);
    }
}

std::unique_ptr<TfAbout> TZybVersionDialog::CreateAboutWindow() {
    BuildInfoLines();
    auto about = std::make_unique<TfAbout>(qobject_cast<QWidget*>(parent()));
    about->setWindowTitle(m_aboutDlgCaption);
    about->setFont(m_dlgFont);
    about->Image->setScaledContents(m_pictureStretched);
    about->Image->setPixmap(m_picture);
    about->Bevel2->setFrameShape(m_pictureShowBorder ? QFrame::Box : QFrame::NoFrame);
    about->PageControl->setTabText(about->PageControl->indexOf(about->tsVersionInfo),
                                   m_dlgVersionPageCaption);

    QTableWidget* rows = about->vlAppInfo;
    rows->setRowCount(0);
    for (const QString& line : m_infoLines) {
        const qsizetype equals = line.indexOf(u'=');
        const int row = rows->rowCount();
        rows->insertRow(row);
        rows->setItem(row, 0, new QTableWidgetItem(equals < 0 ? line : line.left(equals)));
        rows->setItem(row, 1, new QTableWidgetItem(equals < 0 ? QString() : line.mid(equals + 1)));
    }

    about->resize(m_dialogWidth, m_dialogHeight);

    about->m_link = m_link;
    about->lLink->setText(m_linkText.isEmpty() ? m_link : m_linkText);
    about->lLinkCaption->setText(m_linkCaption);
    about->m_linkVisible = m_linkVisible;
    about->m_mail = m_mail;
    about->lMail->setText(m_mailText.isEmpty() ? m_mail : m_mailText);
    about->lMailCaption->setText(m_mailCaption);
    return about;
}

void TZybVersionDialog::Execute() {
    CreateAboutWindow()->exec();
}
