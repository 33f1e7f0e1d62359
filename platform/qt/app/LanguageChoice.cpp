// SPDX-License-Identifier: GPL-3.0-or-later
#include "LanguageChoice.h"

#include <memory>

#include <QActionGroup>
#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QSettings>
#include <QTranslator>

#include "Language.h"
#include "MenuTemplate.h"
#include "QtTexts.h"
#include "Texts.h"

namespace ohmrada::qt {

namespace {

const QString kLanguageKey = QStringLiteral("language");

bool Known(const std::string& code) {
    for (const texts::CLanguage& language : texts::Languages()) {
        if (code == language.code) {
            return true;
        }
    }
    return false;
}

// Qt's translations of its own dialogs into the chosen language; none for
// English, which Qt speaks by itself.
QTranslator* QtTranslator() {
    static std::unique_ptr<QTranslator> translator;
    if (!translator) {
        translator = std::make_unique<QTranslator>();
    }
    return translator.get();
}

}  // namespace

std::optional<std::string> StoredLanguage(const QString& settingsFile) {
    if (settingsFile.isEmpty()) {
        return std::nullopt;
    }
    const QSettings settings(settingsFile, QSettings::IniFormat);
    const std::string code = settings.value(kLanguageKey).toString().toStdString();
    if (!Known(code)) {
        return std::nullopt;
    }
    return code;
}

std::string StartLanguage(const std::optional<std::string>& commandLine,
                          const QString& settingsFile) {
    if (commandLine && Known(*commandLine)) {
        return *commandLine;
    }
    return StoredLanguage(settingsFile).value_or(std::string(texts::kSourceLanguage));
}

void StoreLanguage(const QString& settingsFile, const std::string& code) {
    if (settingsFile.isEmpty()) {
        return;
    }
    QSettings settings(settingsFile, QSettings::IniFormat);
    settings.setValue(kLanguageKey, QString::fromStdString(code));
    settings.sync();
}

bool UseLanguage(const std::string& code) {
    if (!texts::SetLanguage(code)) {
        return false;
    }
    QTranslator* translator = QtTranslator();
    if (QCoreApplication::instance() != nullptr) {
        QCoreApplication::removeTranslator(translator);
        if (code != "en") {
            const QLocale locale = code == texts::kSourceLanguage
                                       ? QLocale(QLocale::German, QLocale::Germany)
                                       : QLocale(QString::fromStdString(code));
            if (translator->load(locale, QStringLiteral("qtbase"), QStringLiteral("_"),
                                 QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
                QCoreApplication::installTranslator(translator);
            }
        }
    }
    return true;
}

QMenu* AddLanguageMenu(QMenuBar& bar, QMenu* before, const QString& settingsFile,
                       QWidget* messageParent) {
    auto* menu = new QMenu(Tr(res::menu::kLanguageMenu), &bar);
    if (before != nullptr) {
        bar.insertMenu(before->menuAction(), menu);
    } else {
        bar.addMenu(menu);
    }
    auto* group = new QActionGroup(menu);
    group->setExclusive(true);
    const std::string current(texts::CurrentLanguage());
    for (const texts::CLanguage& language : texts::Languages()) {
        QAction* action = menu->addAction(QString::fromUtf8(language.name));
        action->setCheckable(true);
        action->setChecked(current == language.code);
        action->setData(QString::fromUtf8(language.code));
        group->addAction(action);
        QObject::connect(action, &QAction::triggered, menu, [settingsFile, messageParent, action] {
            const std::string code = action->data().toString().toStdString();
            StoreLanguage(settingsFile, code);
            if (code == texts::CurrentLanguage()) {
                return;
            }
            // Said in the language chosen, which the user reads.
            const char* translated = texts::TranslationIn(code, texts::kLanguageAtNextStart);
            QMessageBox box(
                QMessageBox::Information, QCoreApplication::applicationName(),
                QString::fromUtf8(translated != nullptr ? translated : texts::kLanguageAtNextStart),
                QMessageBox::Ok, messageParent);
            box.setTextFormat(Qt::PlainText);
            box.exec();
        });
    }
    return menu;
}

}  // namespace ohmrada::qt
