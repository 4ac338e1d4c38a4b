#pragma once

#include <QFont>
#include <QObject>
#include <QPixmap>
#include <QString>
#include <QStringList>
#include <array>
#include <initializer_list>
#include <memory>

class TfAbout;

// The entries of the program's version information, in the order the about box lists them.
enum TZybVersionInfo {
    viCompanyName,
    viFileDescription,
    viFileVersion,
    viInternalName,
    viLegalCopyright,
    viLegalTradeMarks,
    viOriginalFileName,
    viProductName,
    viProductVersion,
    viComments,
};
inline constexpr int versionInfoCount = viComments + 1;

// A set of version entries: bit n stands for entry n.
class TZybVersionInfoSet {
public:
    constexpr TZybVersionInfoSet() = default;
    constexpr TZybVersionInfoSet(std::initializer_list<TZybVersionInfo> entries) {
        for (TZybVersionInfo entry : entries)
            m_bits |= bit(entry);
    }
    constexpr bool contains(TZybVersionInfo entry) const { return (m_bits & bit(entry)) != 0; }
    constexpr bool operator==(const TZybVersionInfoSet&) const = default;

private:
    static constexpr quint16 bit(TZybVersionInfo entry) { return quint16(1u << entry); }
    quint16 m_bits = 0;
};

// Which string table of the version information is read.
enum TZybVILanguage { vilEnglishUSA };

// Shows the about box of the running program: its title, a picture, the chosen version entries
// under their captions and, on request, a web link and a mail link. Its text properties are
// published by name, so that the owner window's translator reaches them.
class TZybVersionDialog : public QObject {
    Q_OBJECT
    Q_PROPERTY(QString CompanyNameCaption READ CompanyNameCaption WRITE SetCompanyNameCaption)
    Q_PROPERTY(
        QString FileDescriptionCaption READ FileDescriptionCaption WRITE SetFileDescriptionCaption)
    Q_PROPERTY(QString FileVersionCaption READ FileVersionCaption WRITE SetFileVersionCaption)
    Q_PROPERTY(QString InternalNameCaption READ InternalNameCaption WRITE SetInternalNameCaption)
    Q_PROPERTY(
        QString LegalCopyrightCaption READ LegalCopyrightCaption WRITE SetLegalCopyrightCaption)
    Q_PROPERTY(
        QString LegalTradeMarksCaption READ LegalTradeMarksCaption WRITE SetLegalTradeMarksCaption)
    Q_PROPERTY(QString OriginalFileNameCaption READ OriginalFileNameCaption WRITE
                   SetOriginalFileNameCaption)
    Q_PROPERTY(QString ProductNameCaption READ ProductNameCaption WRITE SetProductNameCaption)
    Q_PROPERTY(
        QString ProductVersionCaption READ ProductVersionCaption WRITE SetProductVersionCaption)
    Q_PROPERTY(QString CommentsCaption READ CommentsCaption WRITE SetCommentsCaption)
    Q_PROPERTY(QString AboutDlgCaption READ AboutDlgCaption WRITE SetAboutDlgCaption)
    Q_PROPERTY(
        QString DlgVersionPageCaption READ DlgVersionPageCaption WRITE SetDlgVersionPageCaption)
    Q_PROPERTY(bool PictureShowBorder READ PictureShowBorder WRITE SetPictureShowBorder)
    Q_PROPERTY(bool PictureStretched READ PictureStretched WRITE SetPictureStretched)
    Q_PROPERTY(int DialogWidth READ DialogWidth WRITE SetDialogWidth)
    Q_PROPERTY(int DialogHeight READ DialogHeight WRITE SetDialogHeight)
    Q_PROPERTY(QString Link READ Link WRITE SetLink)
    Q_PROPERTY(QString LinkText READ LinkText WRITE SetLinkText)
    Q_PROPERTY(QString LinkCaption READ LinkCaption WRITE SetLinkCaption)
    Q_PROPERTY(bool LinkVisible READ LinkVisible WRITE SetLinkVisible)
    Q_PROPERTY(QString Mail READ Mail WRITE SetMail)
    Q_PROPERTY(QString MailText READ MailText WRITE SetMailText)
    Q_PROPERTY(QString MailCaption READ MailCaption WRITE SetMailCaption)

public:
    explicit TZybVersionDialog(QObject* owner = nullptr);

    // Shows the about box modally and returns when it is closed.
    void Execute();
    // The about box as Execute shows it, filled but not yet shown; centred on the owner window.
    std::unique_ptr<TfAbout> CreateAboutWindow();

    // The translation key of the string table that Language names.
    QString GetTranslation() const;
    // Reads the version strings; false, and nothing changes, when the program has none. An entry
    // missing from the table keeps what an earlier read found.
    bool ReadVersionInfo();
    QString GetItemCaption(TZybVersionInfo entry) const { return m_captions[entry]; }
    // Fills InfoLines with "Caption=Value" per chosen entry in entry order.
    void BuildInfoLines();
    const QStringList& InfoLines() const { return m_infoLines; }

    TZybVersionInfoSet VersionInfo() const { return m_versionInfo; }
    void SetVersionInfo(TZybVersionInfoSet entries) { m_versionInfo = entries; }
    TZybVILanguage Language() const { return m_language; }
    void SetLanguage(TZybVILanguage language) { m_language = language; }
    QFont DlgFont() const { return m_dlgFont; }
    void SetDlgFont(const QFont& font) { m_dlgFont = font; }
    QPixmap Picture() const { return m_picture; }
    void SetPicture(const QPixmap& picture) { m_picture = picture; }

    QString CompanyNameCaption() const { return GetItemCaption(viCompanyName); }
    void SetCompanyNameCaption(const QString& c) { SetItemCaption(viCompanyName, c); }
    QString FileDescriptionCaption() const { return GetItemCaption(viFileDescription); }
    void SetFileDescriptionCaption(const QString& c) { SetItemCaption(viFileDescription, c); }
    QString FileVersionCaption() const { return GetItemCaption(viFileVersion); }
    void SetFileVersionCaption(const QString& c) { SetItemCaption(viFileVersion, c); }
    QString InternalNameCaption() const { return GetItemCaption(viInternalName); }
    void SetInternalNameCaption(const QString& c) { SetItemCaption(viInternalName, c); }
    QString LegalCopyrightCaption() const { return GetItemCaption(viLegalCopyright); }
    void SetLegalCopyrightCaption(const QString& c) { SetItemCaption(viLegalCopyright, c); }
    QString LegalTradeMarksCaption() const { return GetItemCaption(viLegalTradeMarks); }
    void SetLegalTradeMarksCaption(const QString& c) { SetItemCaption(viLegalTradeMarks, c); }
    QString OriginalFileNameCaption() const { return GetItemCaption(viOriginalFileName); }
    void SetOriginalFileNameCaption(const QString& c) { SetItemCaption(viOriginalFileName, c); }
    QString ProductNameCaption() const { return GetItemCaption(viProductName); }
    void SetProductNameCaption(const QString& c) { SetItemCaption(viProductName, c); }
    QString ProductVersionCaption() const { return GetItemCaption(viProductVersion); }
    void SetProductVersionCaption(const QString& c) { SetItemCaption(viProductVersion, c); }
    QString CommentsCaption() const { return GetItemCaption(viComments); }
    void SetCommentsCaption(const QString& c) { SetItemCaption(viComments, c); }

    QString AboutDlgCaption() const { return m_aboutDlgCaption; }
    void SetAboutDlgCaption(const QString& caption) { m_aboutDlgCaption = caption; }
    QString DlgVersionPageCaption() const { return m_dlgVersionPageCaption; }
    void SetDlgVersionPageCaption(const QString& caption) { m_dlgVersionPageCaption = caption; }
    bool PictureShowBorder() const { return m_pictureShowBorder; }
    void SetPictureShowBorder(bool show) { m_pictureShowBorder = show; }
    bool PictureStretched() const { return m_pictureStretched; }
    void SetPictureStretched(bool stretched) { m_pictureStretched = stretched; }
    int DialogWidth() const { return m_dialogWidth; }
    void SetDialogWidth(int width) { m_dialogWidth = width; }
    int DialogHeight() const { return m_dialogHeight; }
    void SetDialogHeight(int height) { m_dialogHeight = height; }
    QString Link() const { return m_link; }
    void SetLink(const QString& link) { m_link = link; }
    QString LinkText() const { return m_linkText; }
    void SetLinkText(const QString& text) { m_linkText = text; }
    QString LinkCaption() const { return m_linkCaption; }
    void SetLinkCaption(const QString& caption) { m_linkCaption = caption; }
    bool LinkVisible() const { return m_linkVisible; }
    void SetLinkVisible(bool visible) { m_linkVisible = visible; }
    QString Mail() const { return m_mail; }
    void SetMail(const QString& mail) { m_mail = mail; }
    QString MailText() const { return m_mailText; }
    void SetMailText(const QString& text) { m_mailText = text; }
    QString MailCaption() const { return m_mailCaption; }
    void SetMailCaption(const QString& caption) { m_mailCaption = caption; }

private:
    void SetItemCaption(TZybVersionInfo entry, const QString& caption) {
        m_captions[entry] = caption;
    }

    TZybVersionInfoSet m_versionInfo{viCompanyName, viFileVersion, viProductName, viProductVersion};
    std::array<QString, versionInfoCount> m_captions;
    TZybVILanguage m_language = vilEnglishUSA;
    QString m_aboutDlgCaption = QStringLiteral("About");
    QString m_dlgVersionPageCaption = QStringLiteral("Version Info");
    QFont m_dlgFont;
    QPixmap m_picture;
    bool m_pictureShowBorder = true;
    bool m_pictureStretched = true;
    int m_dialogWidth = 450;
    int m_dialogHeight = 270;
    QString m_link;
    QString m_linkText;
    QString m_linkCaption = QStringLiteral("Link");
    bool m_linkVisible = false;
    QString m_mail;
    QString m_mailText;
    QString m_mailCaption = QStringLiteral("E-Mail");

    std::array<QString, versionInfoCount> m_versionValues;
    QStringList m_infoLines;
};
