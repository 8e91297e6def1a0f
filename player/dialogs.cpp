#include "dialogs.h"

#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>

namespace zrc::player {

QString qtNameFilters(const QString& filter) {
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        filters << QStringLiteral("%1 (%2)").arg(parts[i], parts[i + 1]);
    }
    return filters.join(QStringLiteral(";;"));
}

std::optional<QString> QtDialogs::openFile(QWidget* parent, const QString& filter, const QString& folder) {
    const QString path = QFileDialog::getOpenFileName(parent, QString(), folder, qtNameFilters(filter));
    if (path.isEmpty()) return std::nullopt;
    return path;
}

std::optional<QString> QtDialogs::saveFile(QWidget* parent, const QString& fileName, const QString& filter,
                                           int* filterIndex) {
    const QString filters = qtNameFilters(filter);
    const QStringList each = filters.split(QStringLiteral(";;"));
    QString chosen = filterIndex != nullptr ? each.value(*filterIndex) : QString();
    const QString path = QFileDialog::getSaveFileName(parent, QString(), fileName, filters,
                                                      filterIndex != nullptr ? &chosen : nullptr,
                                                      QFileDialog::DontConfirmOverwrite);
    if (path.isEmpty()) return std::nullopt;
    if (filterIndex != nullptr && each.contains(chosen)) *filterIndex = static_cast<int>(each.indexOf(chosen));
    return path;
}

int QtDialogs::msgBox(QWidget* parent, const QString& prompt, int style, const QString& title) {
    QMessageBox box(parent);
    box.setWindowTitle(title);
    box.setText(prompt);
    switch (style) {
    case MsgBoxStyle::YesNo: {
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(QMessageBox::Yes);
        return box.exec() == QMessageBox::Yes ? MsgBoxAnswer::Yes : MsgBoxAnswer::No;
    }
    case MsgBoxStyle::CancelTryAgainContinue: {
        QPushButton* cancel = box.addButton(QMessageBox::Cancel);
        QPushButton* tryAgain = box.addButton(QObject::tr("Try Again"), QMessageBox::AcceptRole);
        box.addButton(QObject::tr("Continue"), QMessageBox::AcceptRole);
        box.setDefaultButton(cancel);
        box.setEscapeButton(cancel);
        box.exec();
        if (box.clickedButton() == cancel) return MsgBoxAnswer::Cancel;
        return box.clickedButton() == tryAgain ? MsgBoxAnswer::TryAgain : MsgBoxAnswer::Continue;
    }
    default:
        box.setStandardButtons(QMessageBox::Ok);
        box.exec();
        return MsgBoxAnswer::Ok;
    }
}

void ScriptedDialogs::clear() {
    m_openAnswers.clear();
    m_saveAnswers.clear();
    m_boxAnswers.clear();
    m_opens.clear();
    m_saves.clear();
    m_boxes.clear();
}

std::optional<QString> ScriptedDialogs::next(std::deque<FileAnswer>& answers, int* filterIndex) {
    if (answers.empty()) return std::nullopt;
    const FileAnswer answer = answers.front();
    answers.pop_front();
    if (!answer.chosen) return std::nullopt;
    if (filterIndex != nullptr && answer.filterIndex >= 0) *filterIndex = answer.filterIndex;
    return answer.path;
}

std::optional<QString> ScriptedDialogs::openFile(QWidget*, const QString& filter, const QString& folder) {
    m_opens.push_back({QString(), filter, folder, -1});
    return next(m_openAnswers, nullptr);
}

std::optional<QString> ScriptedDialogs::saveFile(QWidget*, const QString& fileName, const QString& filter,
                                                 int* filterIndex) {
    m_saves.push_back({fileName, filter, QString(), filterIndex != nullptr ? *filterIndex : -1});
    return next(m_saveAnswers, filterIndex);
}

int ScriptedDialogs::msgBox(QWidget*, const QString& prompt, int style, const QString& title) {
    m_boxes.push_back({prompt, style, title});
    if (!m_boxAnswers.empty()) {
        const int answer = m_boxAnswers.front();
        m_boxAnswers.pop_front();
        return answer;
    }
    switch (style) {
    case MsgBoxStyle::YesNo:
        return MsgBoxAnswer::No;
    case MsgBoxStyle::CancelTryAgainContinue:
        return MsgBoxAnswer::Cancel;
    default:
        return MsgBoxAnswer::Ok;
    }
}

}  // namespace zrc::player
