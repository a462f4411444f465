#pragma once
// The window's questions and notices, behind an interface so that tests can answer them.
#include <QPointer>
#include <QString>
#include <QWidget>

class TPrompt {
public:
    virtual ~TPrompt() = default;
    // A question box titled "Confirm" with Yes and No; true for Yes.
    virtual bool Confirm(const QString &text) = 0;
    // A question of a series, titled "Confirm", that may be answered for the rest of it too:
    // Yes, No, Yes to All and No to All; Esc and the close box mean No.
    enum class Answer { Yes, No, YesToAll, NoToAll };
    virtual Answer ConfirmSeries(const QString &text) = 0;
    // An information box titled "Information" with one OK button.
    virtual void Inform(const QString &text) = 0;
    // The application's general error report.
    virtual void ReportError(const QString &text) = 0;
};

// The real thing: modal message boxes over the given window.
class TMessageBoxPrompt : public TPrompt {
public:
    explicit TMessageBoxPrompt(QWidget *owner) : owner_(owner) {}
    bool Confirm(const QString &text) override;
    Answer ConfirmSeries(const QString &text) override;
    void Inform(const QString &text) override;
    void ReportError(const QString &text) override;

private:
    QPointer<QWidget> owner_;
};
