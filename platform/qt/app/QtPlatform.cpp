// SPDX-License-Identifier: GPL-3.0-or-later
#include "QtPlatform.h"

#include <algorithm>
#include <utility>

#include <QAction>

#include <QAbstractButton>
#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSettings>
#include <QTimer>

#include "AboutTemplate.h"
#include "AnalysisWindows.h"
#include "ControlIds.h"
#include "FormTemplate.h"
#include "FormWindow.h"
#include "HelpMap.h"
#include "HelpViewer.h"
#include "LanguageChoice.h"
#include "MainDialog.h"
#include "MenuTemplate.h"
#include "QtTexts.h"
#include "SpinButton.h"
#include "TemplateBuilder.h"
#include "Texts.h"

namespace ohmrada::qt {

namespace {

QString FromUtf8(const std::string& text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// Sets a button's mark. A radio button of an exclusive group refuses to be
// cleared directly, so it leaves the group for that moment.
void SetMark(QAbstractButton& button, bool checked) {
    if (button.isChecked() == checked) {
        return;
    }
    if (!checked && button.autoExclusive()) {
        button.setAutoExclusive(false);
        button.setChecked(false);
        button.setAutoExclusive(true);
        return;
    }
    button.setChecked(checked);
}

// The file dialog. A name with a wildcard, such as the initial "*.odr", is a
// pattern to choose from, not a file to take.
class CFileDialog : public QFileDialog {
public:
    using QFileDialog::QFileDialog;

    void accept() override {
        for (const QString& file : selectedFiles()) {
            const QString name = QFileInfo(file).fileName();
            if (name.contains(QLatin1Char('*')) || name.contains(QLatin1Char('?'))) {
                return;
            }
        }
        QFileDialog::accept();
    }
};

QString NameFilterOf(const CPlatform::CFileDialogRequest& request) {
    const QString label = Tr(request.filterLabel);
    const QString pattern = FromUtf8(request.filterPattern);
    // Qt takes the patterns from the parentheses of the label.
    if (label.contains(QLatin1Char('(') + pattern + QLatin1Char(')'))) {
        return label;
    }
    return label + QStringLiteral(" (") + pattern + QLatin1Char(')');
}

}  // namespace

QString ApplicationTitle() {
    const QString program = QCoreApplication::applicationFilePath();
    if (program.isEmpty()) {
        return QCoreApplication::applicationName();
    }
    return QFileInfo(program).completeBaseName();
}

CQtPlatform::CQtPlatform(QString helpFolder) : m_helpFolder(std::move(helpFolder)) {}

CQtPlatform::~CQtPlatform() = default;

void CQtPlatform::SetPlacesFile(const QString& file) {
    m_placesFile = file;
    if (m_placesFile.isEmpty()) {
        return;
    }
    const QSettings places(m_placesFile, QSettings::IniFormat);
    m_recentFiles = places.value(QStringLiteral("recentFiles")).toStringList();
    m_recentFiles.removeAll(QString());
    m_recentFiles.removeDuplicates();
    while (m_recentFiles.size() > kRecentFileCount) {
        m_recentFiles.removeLast();
    }
    FillRecentMenu();
}

void CQtPlatform::StoreRecentFiles() {
    if (!m_placesFile.isEmpty()) {
        QSettings places(m_placesFile, QSettings::IniFormat);
        places.setValue(QStringLiteral("recentFiles"), m_recentFiles);
    }
    FillRecentMenu();
}

void CQtPlatform::FillRecentMenu() {
    if (!m_recentMenu) {
        return;
    }
    m_recentMenu->clear();
    for (int k = 0; k < m_recentFiles.size(); ++k) {
        // "&1 /path/netzteil.odr": the digit is the access key; an "&" of the
        // path is shown as itself.
        QString text = m_recentFiles[k];
        text.replace(QLatin1Char('&'), QStringLiteral("&&"));
        QAction* action = m_recentMenu->addAction(QStringLiteral("&%1 %2").arg(k + 1).arg(text));
        QObject::connect(action, &QAction::triggered, m_recentMenu, [this, k] { OpenRecent(k); });
    }
    m_recentMenu->setEnabled(!m_recentFiles.isEmpty());
}

void CQtPlatform::FileUsed(const std::string& path) {
    const QString file = FromUtf8(path);
    m_recentFiles.removeAll(file);
    m_recentFiles.prepend(file);
    while (m_recentFiles.size() > kRecentFileCount) {
        m_recentFiles.removeLast();
    }
    StoreRecentFiles();
}

void CQtPlatform::OpenRecent(int index) {
    if (m_dialog == nullptr || index < 0 || index >= m_recentFiles.size()) {
        return;
    }
    const QString file = m_recentFiles[index];
    if (!QFileInfo(file).isFile()) {
        m_recentFiles.removeAt(index);
        StoreRecentFiles();
        std::string message = texts::Tr(texts::kRecentFileMissingMessage);
        const std::size_t at = message.find("%1");
        if (at != std::string::npos) {
            message.replace(at, 2, file.toStdString());
        }
        MessageBox(message, EIcon::kInformation);
        return;
    }
    m_dialog->OpenFileAsked(file.toStdString());
}

void CQtPlatform::SetModified(bool modified) {
    if (m_window) {
        m_window->setWindowModified(modified);
    }
}

void CQtPlatform::Show(CMainDialog& dialog) {
    if (!m_window) {
        m_window = std::make_unique<CFormWindow>(nullptr, std::exchange(m_beforeMeasuring, {}));
        // "Zuletzt geöffnet" stands before "&Beenden" in "Datei".
        if (QAction* exit = m_window->Action(kCmdFileExit)) {
            if (auto* file = qobject_cast<QMenu*>(exit->parent())) {
                m_recentMenu = new QMenu(Tr(res::menu::kRecentFilesMenu), file);
                file->insertMenu(exit, m_recentMenu);
                FillRecentMenu();
            }
        }
        // "&Sprache / Language" stands before "&?".
        if (QAction* help = m_window->Action(kCmdHelpUsage)) {
            if (auto* helpMenu = qobject_cast<QMenu*>(help->parent())) {
                if (auto* bar = qobject_cast<QMenuBar*>(helpMenu->parent())) {
                    AddLanguageMenu(*bar, helpMenu, m_placesFile, m_window.get());
                }
            }
        }
    }
    m_dialog = &dialog;
    m_result.reset();
    m_window->Attach(&dialog);
    // The analysis follows the form from its first cycle on.
    delete m_analysis;
    m_analysis = new CAnalysisWindows(*this, *m_window, dialog);
    m_analysis->SetPlacesFile(m_placesFile);
    dialog.OnInitDialog();
    m_window->ApplyToolTips(res::kFormToolTips);
    if (m_result) {
        return;  // ended during its start
    }
    // The focus waits on the first tab stop until the window is active.
    if (QWidget* first = m_window->FirstTabStop()) {
        first->setFocus(Qt::OtherFocusReason);
    }
    PlaceForm();
    m_window->show();
    m_window->raise();
    m_window->activateWindow();
}

namespace {

const QString kFormPlaceKey = QStringLiteral("form/position");

}  // namespace

void CQtPlatform::PlaceForm() {
    const QScreen* screen = m_window->screen();
    if (screen == nullptr) {
        return;
    }
    const QRect available = screen->availableGeometry();
    const QSize size = m_window->sizeHint();
    // Where the user last put it, kept fully on the screen.
    if (!m_placesFile.isEmpty()) {
        const QSettings places(m_placesFile, QSettings::IniFormat);
        const QPoint remembered = places.value(kFormPlaceKey).toPoint();
        if (places.contains(kFormPlaceKey)) {
            const int x = std::clamp(remembered.x(), available.left(),
                                     std::max(available.left(), available.right() - size.width()));
            const int y = std::clamp(remembered.y(), available.top(),
                                     std::max(available.top(), available.bottom() - size.height()));
            m_window->move(x, y);
            m_formPlacedAt = m_window->pos();
            return;
        }
    }
    // At the left edge, vertically centred: the tool windows open to its
    // right (and are made to fit there) instead of over it.
    constexpr int kMargin = 8;
    const int x = available.left() + kMargin;
    const int y = available.top() + std::max(kMargin, (available.height() - size.height()) / 3);
    m_window->move(x, y);
    m_formPlacedAt = m_window->pos();
}

void CQtPlatform::RememberFormPlace() {
    // A form left where it was placed needs no line in the file: it opens
    // there again (and the program ends without writing the file).
    if (m_window && !m_placesFile.isEmpty() && m_window->isVisible() &&
        m_window->pos() != m_formPlacedAt) {
        QSettings places(m_placesFile, QSettings::IniFormat);
        places.setValue(kFormPlaceKey, m_window->pos());
    }
}

int CQtPlatform::DoModal(CMainDialog& dialog) {
    Show(dialog);
    if (!m_result) {
        // Once the loop runs, the window is up: what the dialog does next
        // (opening a file, its messages) comes over the form. The call goes
        // with the loop, should the dialog end first.
        QEventLoop loop;
        QTimer::singleShot(0, &loop, [this, &dialog] {
            if (!m_result) {
                dialog.OnShown();
            }
        });
        QObject::connect(m_window.get(), &QDialog::finished, &loop, &QEventLoop::quit);
        loop.exec(QEventLoop::DialogExec);
    }
    m_window->Attach(nullptr);
    return m_result.value_or(0);
}

void CQtPlatform::EndDialog(int result) {
    m_result = result;
    RememberFormPlace();
    if (m_analysis) {
        // The analysis windows close with the form.
        m_analysis->CloseAll();
    }
    if (m_window) {
        // Whatever the closing window still reports goes nowhere.
        m_window->Attach(nullptr);
        m_window->done(result);
    }
}

void CQtPlatform::SetItemText(int id, const std::string& text) {
    if (!m_window) {
        return;
    }
    if (QLineEdit* field = m_window->Field(id)) {
        // A result that is not defined says so in the program's language.
        field->setText(text == texts::kUndefinedValue ? Tr(text) : FromUtf8(text));
    } else if (QAbstractButton* button = m_window->Button(id)) {
        button->setText(FromUtf8(text));
    }
}

std::string CQtPlatform::GetItemText(int id) const {
    if (!m_window) {
        return {};
    }
    if (const QLineEdit* field = m_window->Field(id)) {
        return field->text().toStdString();
    }
    if (const QAbstractButton* button = m_window->Button(id)) {
        return button->text().toStdString();
    }
    return {};
}

void CQtPlatform::CheckButton(int id, bool checked) {
    if (QAbstractButton* button = m_window ? m_window->Button(id) : nullptr) {
        SetMark(*button, checked);
    } else if (QAction* action = m_window ? m_window->Action(id) : nullptr) {
        action->setChecked(checked);
    }
}

void CQtPlatform::EnableItem(int id, bool enabled) {
    if (QWidget* control = m_window ? m_window->Control(id) : nullptr) {
        control->setEnabled(enabled);
    }
}

void CQtPlatform::CheckRadioButton(int firstId, int lastId, int checkId) {
    if (!m_window) {
        return;
    }
    // The new mark first: in an exclusive group it clears the old one.
    if (QAbstractButton* button = m_window->Button(checkId);
        button != nullptr && checkId >= firstId && checkId <= lastId) {
        SetMark(*button, true);
    }
    for (int id = firstId; id <= lastId; ++id) {
        if (QAbstractButton* button = m_window->Button(id); button != nullptr && id != checkId) {
            SetMark(*button, false);
        }
    }
}

void CQtPlatform::SetSpinPosition(int id, int position) {
    if (CSpinButton* spin = m_window ? m_window->Spin(id) : nullptr) {
        spin->SetPosition(position);
    }
}

void CQtPlatform::SetTitle(const std::string& title) {
    if (m_window) {
        // "[*]" shows "*" while the design differs from its file
        // (setWindowModified), and nothing else.
        m_window->setWindowTitle(FromUtf8(title) + QStringLiteral("[*]"));
    }
}

void CQtPlatform::MessageBox(const std::string& text, EIcon icon) {
    QMessageBox::Icon shown = QMessageBox::Warning;
    switch (icon) {
        case EIcon::kExclamation:
            shown = QMessageBox::Warning;
            break;
        case EIcon::kStop:
            shown = QMessageBox::Critical;
            break;
        case EIcon::kInformation:
            shown = QMessageBox::Information;
            break;
    }
    QMessageBox box(shown, ApplicationTitle(), Tr(text), QMessageBox::Ok, m_window.get());
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

CPlatform::EAnswer CQtPlatform::AskYesNoCancel(const std::string& text) {
    QMessageBox box(QMessageBox::Question, ApplicationTitle(), Tr(text),
                    QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, m_window.get());
    box.setTextFormat(Qt::PlainText);
    // In the program's language whatever translations of Qt are installed.
    box.button(QMessageBox::Yes)->setText(Tr(texts::kYesButton));
    box.button(QMessageBox::No)->setText(Tr(texts::kNoButton));
    box.button(QMessageBox::Cancel)->setText(Tr(texts::kCancelButton));
    box.setDefaultButton(QMessageBox::Yes);
    box.setEscapeButton(QMessageBox::Cancel);
    switch (box.exec()) {
        case QMessageBox::Yes:
            return EAnswer::kYes;
        case QMessageBox::No:
            return EAnswer::kNo;
        default:
            return EAnswer::kCancel;
    }
}

void CQtPlatform::Beep() {
    QApplication::beep();
}

std::optional<std::string> CQtPlatform::RunFileDialog(const CFileDialogRequest& request) {
    CFileDialog dialog(m_window.get(), Tr(request.title));
    // Qt's own dialog looks and behaves the same on every desktop.
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(request.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    // The name need not exist: opening a missing file is the command's to
    // handle.
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, !request.confirmOverwrite);
    dialog.setNameFilter(NameFilterOf(request));
    if (!request.defaultSuffix.empty()) {
        dialog.setDefaultSuffix(FromUtf8(request.defaultSuffix));
    }
    // A proposed name ("parameterverlauf.png") in the program's language; a
    // path the user chose comes back as it is.
    dialog.selectFile(Tr(request.initialName));
    if (dialog.exec() != QDialog::Accepted) {
        return std::nullopt;
    }
    const QStringList files = dialog.selectedFiles();
    if (files.isEmpty()) {
        return std::nullopt;
    }
    return files.front().toStdString();
}

void CQtPlatform::CycleEnded(const CCycleAlerts& alerts) {
    if (m_analysis) {
        m_analysis->CycleEnded(alerts);
    }
}

bool CQtPlatform::ShowHelpPage(const QString& page) {
    if (m_helpFolder.isEmpty() || !QFileInfo(QDir(m_helpFolder).filePath(page)).isFile()) {
        return false;
    }
    if (!m_helpViewer) {
        // The pages of another language lie in a folder named by its code,
        // by the same names; where it has none, the German ones.
        QString folder = m_helpFolder;
        const std::string_view code = texts::CurrentLanguage();
        if (code != texts::kSourceLanguage) {
            const QString translated =
                QDir(m_helpFolder)
                    .filePath(QString::fromUtf8(code.data(), static_cast<qsizetype>(code.size())));
            if (QFileInfo(QDir(translated).filePath(page)).isFile()) {
                folder = translated;
            }
        }
        m_helpViewer = new CHelpViewer(folder, m_window.get());
    }
    return m_helpViewer->ShowPage(page);
}

bool CQtPlatform::Help(EHelpCommand command, unsigned context) {
    switch (command) {
        case EHelpCommand::kContents:
            return ShowHelpPage(Tr(res::kHelpContentsPage));
        case EHelpCommand::kContext: {
            const std::optional<QString> page = HelpPageOf(context);
            return page && ShowHelpPage(*page);
        }
        case EHelpCommand::kQuit:
            // Closing a viewer that never opened succeeds as well.
            if (m_helpViewer) {
                m_helpViewer->close();
            }
            return true;
    }
    return false;
}

void CQtPlatform::ShowAboutBox() {
    const res::CDialogTemplate& about = res::kAboutTemplate;
    QDialog box(m_window.get(), WindowFlagsOf(about.windowStyle));
    box.setWindowTitle(Tr(about.caption));
    box.setFont(TemplateFont(about.fontName, about.pointSize));
    const CDialogBaseUnits units = CDialogBaseUnits::Of(box.font());
    // A push button ends the box with its id: OK with 1.
    for (const CBuiltControl& control : BuildControls(about.controls, &box, units, QPoint())) {
        if (control.row->kind == res::EControlKind::kPushButton) {
            const int id = control.row->id;
            QObject::connect(static_cast<QPushButton*>(control.widget), &QPushButton::clicked, &box,
                             [&box, id] { box.done(id); });
        }
    }
    box.setFixedSize(units.ToPixelsX(about.width), units.ToPixelsY(about.height));
    box.exec();
}

}  // namespace ohmrada::qt
