// SPDX-License-Identifier: GPL-3.0-or-later
#include "HelpViewer.h"

#include <algorithm>

#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QPushButton>
#include <QScreen>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

#include "HelpMap.h"
#include "QtTexts.h"
#include "Texts.h"

namespace ohmrada::qt {

std::optional<QString> FindHelpFolder(const QString& exeDir) {
    const QDir exe(exeDir);
    const QString contents = QString::fromUtf8(res::kHelpContentsPage);
    // Beside the program in the build tree, in the installed share folder, or
    // inside a macOS application bundle.
    for (const QString& candidate : {exe.filePath(QStringLiteral("ohmrada-help")),
                                     exe.filePath(QStringLiteral("../share/ohmrada/help")),
                                     exe.filePath(QStringLiteral("../Resources/help"))}) {
        if (QFileInfo(QDir(candidate).filePath(contents)).isFile()) {
            return QDir::cleanPath(candidate);
        }
    }
    return std::nullopt;
}

std::optional<QString> HelpPageOf(unsigned context) {
    for (const res::CHelpTopic& topic : res::kHelpTopics) {
        if (topic.context == context) {
            return QString::fromUtf8(topic.page);
        }
    }
    return std::nullopt;
}

CHelpViewer::CHelpViewer(QString folder, QWidget* parent)
    : QWidget(parent, Qt::Window), m_folder(std::move(folder)), m_browser(new QTextBrowser(this)) {
    setWindowTitle(Tr(texts::kHelpWindowTitle));
    m_browser->setOpenExternalLinks(false);
    m_browser->setSearchPaths({m_folder});

    auto* contents = new QPushButton(Tr(texts::kHelpContentsButton), this);
    auto* back = new QPushButton(Tr(texts::kHelpBackButton), this);
    auto* forward = new QPushButton(Tr(texts::kHelpForwardButton), this);
    auto* close = new QPushButton(Tr(texts::kHelpCloseButton), this);
    back->setEnabled(false);
    forward->setEnabled(false);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(contents);
    buttons->addWidget(back);
    buttons->addWidget(forward);
    buttons->addStretch(1);
    buttons->addWidget(close);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(buttons);
    layout->addWidget(m_browser, 1);

    connect(contents, &QPushButton::clicked, this,
            [this] { ShowPage(Tr(res::kHelpContentsPage)); });
    connect(back, &QPushButton::clicked, m_browser, &QTextBrowser::backward);
    connect(forward, &QPushButton::clicked, m_browser, &QTextBrowser::forward);
    connect(close, &QPushButton::clicked, this, &QWidget::close);
    connect(m_browser, &QTextBrowser::backwardAvailable, back, &QWidget::setEnabled);
    connect(m_browser, &QTextBrowser::forwardAvailable, forward, &QWidget::setEnabled);
    resize(640, 560);
}

bool CHelpViewer::ShowPage(const QString& page) {
    const QString path = QDir(m_folder).filePath(page);
    if (!QFileInfo(path).isFile()) {
        return false;
    }
    m_browser->setSource(QUrl::fromLocalFile(path));
    if (!m_placed) {
        PlaceBesideParent();
    }
    show();
    raise();
    activateWindow();
    return true;
}

void CHelpViewer::PlaceBesideParent() {
    m_placed = true;
    const QWidget* form = parentWidget();
    const QScreen* screen = form != nullptr ? form->screen() : nullptr;
    if (form == nullptr || screen == nullptr) {
        return;
    }
    // Beside the form (right of it where there is room, else left of it),
    // level with its top, and fully on the screen.
    const QRect available = screen->availableGeometry();
    const QRect frame = form->frameGeometry();
    constexpr int kGap = 8;
    int x = frame.right() + kGap;
    if (x + width() > available.right()) {
        x = frame.left() - kGap - width();
    }
    x = std::clamp(x, available.left(), std::max(available.left(), available.right() - width()));
    const int y = std::clamp(frame.top(), available.top(),
                             std::max(available.top(), available.bottom() - height()));
    move(x, y);
}

QString CHelpViewer::CurrentPage() const {
    return QFileInfo(m_browser->source().path()).fileName();
}

}  // namespace ohmrada::qt
