#pragma once
// A Prompter with answers given in advance: file dialogs answer from queues,
// message boxes are recorded, the context menu picks an action by its text,
// and modal dialogs are handed to a callback instead of waiting for a user.

#include "desktop/Prompter.h"

#include <QAction>
#include <QDialog>
#include <QMenu>

#include <deque>
#include <functional>
#include <vector>

namespace artisanscope::testing {

class ScriptedPrompter final : public Prompter {
public:
    struct Message {
        QString title, text, details;
    };

    std::optional<QString> OpenFileName(QWidget*, const FileDialogOptions& options) override {
        openOptions.push_back(options);
        return Next(openAnswers);
    }
    // The filter is the next of saveFilters, or the dialog's first filter.
    std::optional<QString> SaveFileName(QWidget*, const FileDialogOptions& options, QString* selectedFilter) override {
        saveOptions.push_back(options);
        QString filter = options.filters.value(0);
        if (!saveFilters.empty()) {
            filter = saveFilters.front();
            saveFilters.pop_front();
        }
        if (selectedFilter != nullptr) *selectedFilter = filter;
        return Next(saveAnswers);
    }
    void ShowMessageBox(QWidget*, const QString& title, const QString& text, const QString& details) override {
        messages.push_back({title, text, details});
    }
    QAction* PopupMenu(QMenu& menu, const QPoint&) override {
        ++menusShown;
        for (QAction* action : menu.actions()) {
            if (action->text() == menuChoice) return action;
        }
        return nullptr;
    }
    int RunModal(QDialog& dialog) override {
        modalTitles.push_back(dialog.windowTitle());
        return onModal ? onModal(dialog) : QDialog::Accepted;
    }

    QStringList MessageTexts() const {
        QStringList texts;
        for (const Message& m : messages) texts << m.text;
        return texts;
    }

    std::deque<std::optional<QString>> openAnswers, saveAnswers;
    std::deque<QString> saveFilters;
    std::vector<FileDialogOptions> openOptions, saveOptions;
    std::vector<Message> messages;
    QString menuChoice;
    int menusShown = 0;
    QStringList modalTitles;
    std::function<int(QDialog&)> onModal;

private:
    static std::optional<QString> Next(std::deque<std::optional<QString>>& answers) {
        if (answers.empty()) return std::nullopt;
        std::optional<QString> answer = answers.front();
        answers.pop_front();
        return answer;
    }
};

}  // namespace artisanscope::testing
