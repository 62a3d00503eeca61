#include "platform/dialogs.h"

#include <QFileDialog>
#include <QGuiApplication>
#include <QMessageBox>

namespace {

QString programTitle()
{
    const QString name = QGuiApplication::applicationDisplayName();
    return name.isEmpty() ? QStringLiteral("Quenvo") : name;
}

// "text files (*.txt)|*.txt" -> "text files (*.txt)"
QString qtFilter(const QString &filter)
{
    const qsizetype bar = filter.indexOf(QLatin1Char('|'));
    if (bar < 0)
        return filter;
    const QString description = filter.left(bar);
    const QString pattern = filter.mid(bar + 1);
    return description.contains(pattern) ? description
                                         : description + QStringLiteral(" (") + pattern + QLatin1Char(')');
}

} // namespace

Dialogs::Answer QtDialogs::askYesNo(QWidget *parent, const QString &text)
{
    QMessageBox box(QMessageBox::NoIcon, programTitle(), text, QMessageBox::Yes | QMessageBox::No, parent);
    box.setDefaultButton(QMessageBox::Yes);
    return box.exec() == QMessageBox::Yes ? Answer::Yes : Answer::No;
}

void QtDialogs::tell(QWidget *parent, const QString &text, const QString &detail)
{
    QMessageBox box(QMessageBox::NoIcon, programTitle(), text, QMessageBox::Ok, parent);
    if (!detail.isEmpty())
        box.setInformativeText(detail);
    box.exec();
}

QString QtDialogs::saveFileName(QWidget *parent, const QString &title, const QString &filter)
{
    // No default suffix: the path is used exactly as chosen. Replacing an
    // existing file is confirmed by the dialog.
    return QFileDialog::getSaveFileName(parent, title, QString(), qtFilter(filter));
}

Dialogs::Answer ScriptedDialogs::askYesNo(QWidget *, const QString &text)
{
    asked << QStringLiteral("ask:") + text;
    if (answers.empty())
        return Answer::No;
    const Answer a = answers.front();
    answers.pop_front();
    return a;
}

void ScriptedDialogs::tell(QWidget *, const QString &text, const QString &detail)
{
    asked << QStringLiteral("tell:") + text + QLatin1Char('|') + detail;
}

QString ScriptedDialogs::saveFileName(QWidget *, const QString &title, const QString &filter)
{
    asked << QStringLiteral("save:") + title + QLatin1Char('|') + filter;
    if (fileNames.empty())
        return {};
    QString name = fileNames.front();
    fileNames.pop_front();
    return name;
}
