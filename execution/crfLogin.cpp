#include "crfLogin.h"

#include "Cp1251.h"
#include "DataAccess.h"
#include "Errors.h"
#include "Guard.h"
#include "GuiThread.h"
#include "Prompter.h"
#include "SingleLine.h"
#include "uTZybTranslator.h"
#include "uZybUtils.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScopeGuard>
#include <QShowEvent>
#include <algorithm>
#include <cstring>
#include <functional>

namespace {

constexpr char alphabet[] = "W4KX9ZT2BQJ7MC1RV5P";
constexpr int radix = 19;
constexpr int initialState = 17;
constexpr int storedLength = 64;
constexpr int digitsLength = storedLength - 1;
constexpr int maxCarriedLength = digitsLength / 2;
constexpr int lengthMarkBase = 71;
constexpr unsigned char lowestByte = 19;

// Every byte must be at least lowestByte, so that each pair stays inside the alphabet.
QByteArray scramble(const QByteArray& bytes) {
    QByteArray out;
    int state = initialState;
    for (auto it = bytes.crbegin(); it != bytes.crend(); ++it) {
        const int b = static_cast<unsigned char>(*it) + 5 * state - radix;
        out += alphabet[b / radix];
        out += alphabet[b % radix];
        state = b % radix;
    }
    // Short passwords are padded with the scrambled form of their own pairs.
    if (out.size() < digitsLength)
        out += scramble(out + 'G');
    out.truncate(digitsLength);
    out += static_cast<char>((bytes.size() + lengthMarkBase) & 0xFF);
    return out;
}

int digitValue(QChar ch) {
    const char* found =
        ch.unicode() < 0x80 ? std::strchr(alphabet, static_cast<char>(ch.unicode())) : nullptr;
    return found && *found ? static_cast<int>(found - alphabet) : 0;
}

// A combo box that lets its owner fill the list when the user opens it. A failure to fill is shown
// and the list opens with what it holds.
class DropDownComboBox : public QComboBox {
public:
    using QComboBox::QComboBox;
    std::function<void()> onDropDown;

    void showPopup() override {
        vx::guarded(onDropDown);
        QComboBox::showPopup();
    }
};

const QString noConnection = QStringLiteral("Подключение не найдено.");
const char* const passwordNotStorable = "PasswordNotStorable";

const QList<TZybTranslation> translations = {
    {"Label4.Caption", "Password", "Пароль"},
    {"Label3.Caption", "User", "Пользователь"},
    {"Label2.Caption", "Database", "База"},
    {"Label1.Caption", "Server", "Сервер"},
    {"cbTrustConnection.Caption", "Trust Connection", "Использовать логин Windows"},
    {"bOk.Caption", "Ok", "Ok"},
    {"bCancel.Caption", "Cancel", "Отмена"},
    {"TfCrfLogin.Caption", "Login", "Подсоединение к серверу"},
    {passwordNotStorable,
     "A password of exactly 64 characters cannot be saved. Please make it shorter or longer.",
     "Пароль длиной ровно 64 символа не может быть сохранён. Сделайте его короче или длиннее."},
};
constexpr int storedActiveLanguage = 1;

// Stored layout: edits at left 88, 200 wide, 21 high, one every 24 pixels; buttons 75 x 25.
constexpr int editLeft = 88;
constexpr int editWidth = 200;
constexpr int editHeight = 21;
constexpr int editSpacing = 3;
constexpr int labelGap = 6;
constexpr int buttonWidth = 75;
constexpr int buttonHeight = 25;
constexpr int dialogClientHeight = 160;
constexpr int embeddedClientHeight = 125;

} // namespace

QString EncodePassword(const QString& password) {
    if (password.size() == storedLength || password.size() > maxCarriedLength)
        return password;
    const auto bytes = vx::toCp1251(password);
    if (!bytes || std::any_of(bytes->cbegin(), bytes->cend(),
                              [](char c) { return static_cast<unsigned char>(c) < lowestByte; }))
        return password;
    return QString::fromLatin1(scramble(*bytes));
}

QString DecodePassword(const QString& stored) {
    if (stored.size() != storedLength)
        return stored;
    const int mark = vx::cp1251Byte(stored.back()).value_or(0);
    // A damaged mark must not lead past the pairs.
    const int length = std::min(mark - lengthMarkBase, maxCarriedLength);
    QByteArray bytes;
    int state = initialState;
    for (int i = 0; i < length; ++i) {
        const int high = digitValue(stored[2 * i]);
        const int low = digitValue(stored[2 * i + 1]);
        bytes.prepend(static_cast<char>((radix * high + low + radix - 5 * state) & 0xFF));
        state = low;
    }
    return vx::fromCp1251(bytes);
}

TfCrfLogin::TfCrfLogin(QWidget* owner) : QDialog(owner) {
    setObjectName(QStringLiteral("fCrfLogin"));
    setWindowTitle(QStringLiteral("Login"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    resize(388, 169);

    // The stored places are the least: a caption longer than its place in a language widens its
    // column, and the window with it.
    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(8, 8, 10, 7);
    grid->setHorizontalSpacing(labelGap);
    grid->setVerticalSpacing(editSpacing);
    grid->setColumnMinimumWidth(0, editLeft - 8 - labelGap);
    grid->setColumnStretch(1, 1);
    const auto label = [this, grid](const QString& name, const QString& caption, int row) {
        auto* control = addComponent(new QLabel(caption, this), name);
        grid->addWidget(control, row, 0);
        return control;
    };
    const auto edit = [this, grid](QWidget* control, const QString& name, int row) {
        addComponent(control, name)->setMinimumSize(editWidth, editHeight);
        grid->addWidget(control, row, 1);
    };
    Label1 = label(QStringLiteral("Label1"), QStringLiteral("Server"), 0);
    Label2 = label(QStringLiteral("Label2"), QStringLiteral("Database"), 1);
    Label3 = label(QStringLiteral("Label3"), QStringLiteral("User"), 2);
    Label4 = label(QStringLiteral("Label4"), QStringLiteral("Password"), 3);

    eServer = new QLineEdit(this);
    edit(eServer, QStringLiteral("eServer"), 0);
    auto* databases = new DropDownComboBox(this);
    databases->setEditable(true);
    databases->setInsertPolicy(QComboBox::NoInsert);
    databases->onDropDown = [this] { eDBDropDown(); };
    eDB = databases;
    edit(eDB, QStringLiteral("eDB"), 1);
    eUser = new QLineEdit(this);
    edit(eUser, QStringLiteral("eUser"), 2);
    ePassword = new QLineEdit(this);
    ePassword->setEchoMode(QLineEdit::Password);
    edit(ePassword, QStringLiteral("ePassword"), 3);
    // A typed or pasted line break would reach the connection string and the settings file,
    // which cannot keep it; what the setters put in comes back whole.
    for (QLineEdit* field : {eServer, eDB->lineEdit(), eUser, ePassword})
        vx::keepOnOneLine(field);

    cbTrustConnection = addComponent(new QCheckBox(QStringLiteral("Trust Connection"), this),
                                     QStringLiteral("cbTrustConnection"));
    grid->addWidget(cbTrustConnection, 4, 1);
    connect(cbTrustConnection, &QCheckBox::toggled, this, [this] { UpdateAuthControls(); });

    bOk = addComponent(new QPushButton(QStringLiteral("Ok"), this), QStringLiteral("bOk"));
    bOk->setMinimumSize(buttonWidth, buttonHeight);
    bOk->setDefault(true);
    connect(bOk, &QPushButton::clicked, this, &QDialog::accept);
    bCancel =
        addComponent(new QPushButton(QStringLiteral("Cancel"), this), QStringLiteral("bCancel"));
    bCancel->setMinimumSize(buttonWidth, buttonHeight);
    connect(bCancel, &QPushButton::clicked, this, &QDialog::reject);
    auto* buttons = new QHBoxLayout;
    buttons->setContentsMargins(0, 4, 5, 0);
    buttons->setSpacing(13);
    buttons->addStretch();
    buttons->addWidget(bOk);
    buttons->addWidget(bCancel);
    grid->addLayout(buttons, 5, 0, 1, 2);

    Translator = addComponent(new TZybTranslator(this), QStringLiteral("Translator"));
    Translator->LoadTable(translations);
    Translator->SetActiveLanguage(storedActiveLanguage);

    setTabOrder(eServer, eDB);
    setTabOrder(eDB, eUser);
    setTabOrder(eUser, ePassword);
    setTabOrder(ePassword, cbTrustConnection);
    setTabOrder(cbTrustConnection, bOk);
    setTabOrder(bOk, bCancel);

    // The window is as wide as its fields.
    resize(minimumSizeHint().width(), height());
    UpdateAuthControls();
}

QString TfCrfLogin::GetServer() const {
    return eServer->text();
}

void TfCrfLogin::SetServer(const QString& server) {
    vx::setFieldText(eServer, server);
}

QString TfCrfLogin::GetDatabase() const {
    return eDB->currentText();
}

void TfCrfLogin::SetDatabase(const QString& database) {
    eDB->setCurrentIndex(-1);
    vx::setFieldText(eDB, database);
}

QString TfCrfLogin::GetUser() const {
    return eUser->text();
}

void TfCrfLogin::SetUser(const QString& user) {
    vx::setFieldText(eUser, user);
}

QString TfCrfLogin::GetPassword() const {
    return ePassword->text();
}

void TfCrfLogin::SetPassword(const QString& password) {
    vx::setFieldText(ePassword, password);
}

bool TfCrfLogin::GetTrusted() const {
    return cbTrustConnection->isChecked();
}

void TfCrfLogin::SetTrusted(bool trusted) {
    cbTrustConnection->setChecked(trusted);
    UpdateAuthControls();
}

ConnectionDefinition TfCrfLogin::definition() const {
    ConnectionDefinition definition{GetServer(), GetDatabase(), GetUser(), GetPassword(),
                                    GetTrusted()};
    if (Connection) {
        definition.connectionTimeout = Connection->connectionTimeout();
        definition.commandTimeout = Connection->commandTimeout();
    }
    return definition;
}

void TfCrfLogin::setDefinition(const ConnectionDefinition& definition) {
    SetServer(definition.server);
    SetDatabase(definition.database);
    SetUser(definition.user);
    SetPassword(definition.password);
    SetTrusted(definition.trusted);
}

QString TfCrfLogin::BuildConnectionString(bool catalog) const {
    return definition().BuildConnectionString(catalog);
}

QString TfCrfLogin::GetConnectionString() const {
    return BuildConnectionString(true);
}

vx::Connection& TfCrfLogin::connection() const {
    if (!Connection)
        throw vx::Error(noConnection);
    return *Connection;
}

void TfCrfLogin::Connect() {
    ConnectionDefinition entered;
    vx::runOnGuiThread([&] { entered = definition(); });
    entered.Connect(connection());
}

std::optional<ConnectionDefinition> TfCrfLogin::askForLogin() {
    if (IsDialogMode()) {
        if (exec() != QDialog::Accepted)
            return std::nullopt;
    } else {
        show();
    }
    return definition();
}

bool TfCrfLogin::Login() {
    if (LoginFromCommandLine())
        return true;
    vx::Connection& target = connection();
    bool dialog = true;
    bool connected = false;
    do {
        std::optional<ConnectionDefinition> entered;
        vx::runOnGuiThread([&] {
            dialog = IsDialogMode();
            entered = askForLogin();
        });
        if (!entered)
            return false;
        try {
            entered->Connect(target);
        } catch (const std::exception& e) {
            const QString message = vx::exceptionMessage(e);
            vx::runOnGuiThread([&] {
                vx::prompter().show(vx::PromptIcon::Error, QStringLiteral("Error"), message);
            });
            target.close();
        }
        connected = target.isOpen();
    } while (!connected && dialog);
    return connected;
}

bool TfCrfLogin::LoginFromCommandLine() {
    const LoginSwitches switches = takeLoginSwitches();
    ConnectionDefinition entered;
    vx::runOnGuiThread([&] {
        entered = definition();
        switches.applyTo(entered);
        setDefinition(entered);
    });
    if (!switches.canConnect())
        return false;
    try {
        entered.Connect(connection());
        return true;
    } catch (const std::exception& e) {
        ShowError(vx::exceptionMessage(e));
        return false;
    }
}

bool TfCrfLogin::IsDialogMode() const {
    return bOk->isVisibleTo(this);
}

void TfCrfLogin::SetDialogMode(bool dialog) {
    bOk->setVisible(dialog);
    bCancel->setVisible(dialog);
    if (dialog) {
        setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
        resize(QSize(width(), dialogClientHeight).expandedTo(minimumSizeHint()));
    } else {
        setWindowFlags(Qt::Widget);
        resize(QSize(width(), embeddedClientHeight).expandedTo(minimumSizeHint()));
    }
}

void TfCrfLogin::SetLanguage(const QString& name) {
    Translator->SetLanguageByName(name);
    Translator->ApplyLanguage();
}

void TfCrfLogin::CheckPasswordStorable() const {
    if (GetPassword().size() == storedLength)
        throw vx::Error(Translator->GetText(QString::fromLatin1(passwordNotStorable)));
}

void TfCrfLogin::UpdateAuthControls() {
    const bool trusted = cbTrustConnection->isChecked();
    const QColor background = trusted ? palette().color(QPalette::Button) : QColor(Qt::white);
    for (QLineEdit* edit : {eUser, ePassword}) {
        edit->setReadOnly(trusted);
        QPalette colours = edit->palette();
        colours.setColor(QPalette::Base, background);
        edit->setPalette(colours);
    }
}

void TfCrfLogin::keyPressEvent(QKeyEvent* event) {
    // Embedded, the keys belong to the dialog around the fields: as a dialog of its own the window
    // would hide itself on Escape and swallow Return, its OK button being hidden.
    if (IsDialogMode())
        QDialog::keyPressEvent(event);
    else
        QWidget::keyPressEvent(event);
}

void TfCrfLogin::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!event->spontaneous())
        FormShow();
}

void TfCrfLogin::FormShow() {
    if (!eServer->text().isEmpty())
        eDB->setFocus();
    if (!eDB->currentText().isEmpty()) {
        if (cbTrustConnection->isChecked())
            cbTrustConnection->setFocus();
        else if (eUser->text().isEmpty())
            eUser->setFocus();
        else
            ePassword->setFocus();
    }
}

void TfCrfLogin::eDBDropDown() {
    vx::Connection& databases = connection();
    databases.close();
    // Refilling the list keeps the name typed so far; choosing an item replaces it.
    const auto keepTyped = qScopeGuard([this, typed = GetDatabase()] { SetDatabase(typed); });
    eDB->clear();
    try {
        databases.open(BuildConnectionString(false));
        const QStringList names = vx::listDatabases(databases);
        eDB->addItems(names);
        eDB->setMaxVisibleItems(names.size());
        databases.close();
    } catch (...) {
        // A failed list must not keep a session open on the server.
        databases.close();
        eDB->addItem(QString());
        throw;
    }
}
