// The file dialogs and message boxes of the player, behind an interface: a
// modal dialog never returns in a test without a user, so tests answer them
// from a script instead.
#pragma once

#include <QString>

#include <deque>
#include <optional>
#include <vector>

class QWidget;

namespace zrc::player {

// Message box styles as the player's procedures pass them.
namespace MsgBoxStyle {
inline constexpr int OkOnly = 0;
inline constexpr int YesNo = 4;
inline constexpr int CancelTryAgainContinue = 6;
}  // namespace MsgBoxStyle

// The button a message box was closed with.
namespace MsgBoxAnswer {
inline constexpr int Ok = 1;
inline constexpr int Cancel = 2;
inline constexpr int Yes = 6;
inline constexpr int No = 7;
inline constexpr int TryAgain = 10;
inline constexpr int Continue = 11;
}  // namespace MsgBoxAnswer

// A filter as the player writes it, "description|pattern" pairs joined by
// "|", as Qt's name filters ("description (pattern)", one per pair).
QString qtNameFilters(const QString& filter);

class Dialogs {
public:
    virtual ~Dialogs() = default;
    // The chosen path, or empty when the user cancels. `folder` is where the
    // dialog starts.
    virtual std::optional<QString> openFile(QWidget* parent, const QString& filter, const QString& folder) = 0;
    // The chosen path, or empty when the user cancels. The dialog asks no
    // overwrite question of its own; the caller does. `filterIndex`, when
    // given, names the pair of `filter` shown first and receives the one
    // the user left chosen.
    virtual std::optional<QString> saveFile(QWidget* parent, const QString& fileName, const QString& filter,
                                            int* filterIndex) = 0;
    // Shows `prompt` under `title` with the buttons of `style` and returns
    // the answer.
    virtual int msgBox(QWidget* parent, const QString& prompt, int style, const QString& title) = 0;
};

// The dialogs a user sees.
class QtDialogs : public Dialogs {
public:
    std::optional<QString> openFile(QWidget* parent, const QString& filter, const QString& folder) override;
    std::optional<QString> saveFile(QWidget* parent, const QString& fileName, const QString& filter,
                                    int* filterIndex) override;
    int msgBox(QWidget* parent, const QString& prompt, int style, const QString& title) override;
};

// Dialogs answered from a script, recording every request. An empty script
// cancels a file dialog and gives a message box its safest answer (OK, No,
// Cancel).
class ScriptedDialogs : public Dialogs {
public:
    struct FileRequest {
        QString fileName;  // save only
        QString filter;
        QString folder;    // open only
        int filterIndex;   // save only: the pair shown first, -1 when none was named
    };
    struct Box {
        QString prompt;
        int style;
        QString title;
    };

    // A path to choose, or empty to cancel.
    void answerOpen(const std::optional<QString>& path) { m_openAnswers.push_back({path.has_value(), path.value_or(QString()), -1}); }
    // `filterIndex` -1 leaves the pair shown first chosen.
    void answerSave(const std::optional<QString>& path, int filterIndex = -1) {
        m_saveAnswers.push_back({path.has_value(), path.value_or(QString()), filterIndex});
    }
    void answerBox(int answer) { m_boxAnswers.push_back(answer); }

    const std::vector<FileRequest>& opens() const { return m_opens; }
    const std::vector<FileRequest>& saves() const { return m_saves; }
    const std::vector<Box>& boxes() const { return m_boxes; }
    void clear();

    std::optional<QString> openFile(QWidget* parent, const QString& filter, const QString& folder) override;
    std::optional<QString> saveFile(QWidget* parent, const QString& fileName, const QString& filter,
                                    int* filterIndex) override;
    int msgBox(QWidget* parent, const QString& prompt, int style, const QString& title) override;

private:
    struct FileAnswer {
        bool chosen;
        QString path;
        int filterIndex;
    };
    static std::optional<QString> next(std::deque<FileAnswer>& answers, int* filterIndex);

    std::deque<FileAnswer> m_openAnswers;
    std::deque<FileAnswer> m_saveAnswers;
    std::deque<int> m_boxAnswers;
    std::vector<FileRequest> m_opens;
    std::vector<FileRequest> m_saves;
    std::vector<Box> m_boxes;
};

}  // namespace zrc::player
