#pragma once
// An interaction for form tests: records what the form showed and answers dialogs from a script.
#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "Form.h"
#include "Interaction.h"

class ScriptedInteraction : public ui::Interaction {
public:
    std::vector<std::string> messages;
    std::vector<std::string> errors;
    std::vector<ui::OpenDialog> dialogsShown;
    std::deque<std::optional<std::string>> dialogAnswers;  // empty deque: cancel
    std::vector<std::string> urlsOpened;
    std::vector<std::string> modalForms;
    std::vector<ui::Cursor> cursorHistory;
    std::vector<ui::ChoiceDialog> choicesShown;
    std::deque<std::optional<int>> choiceAnswers;  // empty deque: the item picked at first

    void ShowMessage(const std::string& text) override { messages.push_back(text); }
    void ShowError(const std::string& text) override { errors.push_back(text); }
    std::optional<std::string> ExecuteOpen(const ui::OpenDialog& dialog) override {
        dialogsShown.push_back(dialog);
        if (dialogAnswers.empty()) return std::nullopt;
        auto answer = dialogAnswers.front();
        dialogAnswers.pop_front();
        return answer;
    }
    // Save dialogs take their answers from the same script.
    std::optional<std::string> ExecuteSave(const ui::OpenDialog& dialog) override {
        return ExecuteOpen(dialog);
    }
    std::optional<int> ExecuteChoice(const ui::ChoiceDialog& dialog) override {
        choicesShown.push_back(dialog);
        if (choiceAnswers.empty()) return dialog.itemIndex;
        auto answer = choiceAnswers.front();
        choiceAnswers.pop_front();
        return answer;
    }
    ui::Cursor GetCursor() const override { return cursor_; }
    void SetCursor(ui::Cursor cursor) override {
        cursor_ = cursor;
        cursorHistory.push_back(cursor);
    }
    void Terminate() override { terminated_ = true; }
    bool Terminated() const override { return terminated_; }
    void OpenUrl(const std::string& url) override { urlsOpened.push_back(url); }
    void ShowModal(ui::Form& form) override {
        modalForms.push_back(form.Name());
        form.OpenModal();
    }

private:
    ui::Cursor cursor_ = ui::Cursor::Default;
    bool terminated_ = false;
};
