#pragma once
// A prompt that answers the window's questions from a script and writes everything it was
// shown into a journal, together with the log lines, so tests see both in their order.
#include "prompt.h"

#include <QList>
#include <QStringList>
#include <QtTest>

#include <functional>

class ScriptedPrompt : public TPrompt {
public:
    QStringList journal;
    QList<bool> answers;              // taken in order by Confirm; running out fails the test
    QList<Answer> seriesAnswers;      // taken by ConfirmSeries; when none, it takes `answers`
    QStringList errors;               // what reached the general error report
    std::function<void()> onQuestion; // runs inside each question, while the box would be open

    bool Confirm(const QString &text) override {
        journal << QStringLiteral("ask: ") + text;
        if (onQuestion)
            onQuestion();
        if (answers.isEmpty()) {
            QTest::qFail("a question came that the script does not answer", __FILE__, __LINE__);
            return false;
        }
        return answers.takeFirst();
    }
    Answer ConfirmSeries(const QString &text) override {
        if (seriesAnswers.isEmpty())
            return Confirm(text) ? Answer::Yes : Answer::No;
        journal << QStringLiteral("ask: ") + text;
        if (onQuestion)
            onQuestion();
        return seriesAnswers.takeFirst();
    }
    void Inform(const QString &text) override { journal << QStringLiteral("info: ") + text; }
    void ReportError(const QString &text) override { errors << text; }
};
