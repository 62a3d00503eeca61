#include "platform/dialogs.h"

#include <QFileDialog>
#include <QFileIconProvider>
#include <QGuiApplication>
#include <QMessageBox>
#include <QMimeDatabase>

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

// Icons and type names of the save dialog's entries from the entry's name and
// kind alone. The stock provider asks the MIME database, which reads a file's
// first bytes when its name says nothing: in /proc that read can block for
// good (/proc/kmsg waits for the next kernel message), and the file model
// runs it on the user-interface thread when a typed folder is listed.
class NameOnlyIconProvider : public QFileIconProvider
{
public:
    NameOnlyIconProvider() { setOptions(DontUseCustomDirectoryIcons); }

    using QFileIconProvider::icon;
    QIcon icon(const QFileInfo &info) const override
    {
        if (info.isRoot() || info.isDir())
            return QFileIconProvider::icon(Folder);
        const QIcon themed = QIcon::fromTheme(mimeOf(info).iconName());
        return themed.isNull() ? QFileIconProvider::icon(File) : themed;
    }
    QString type(const QFileInfo &info) const override
    {
        if (info.isRoot() || info.isDir())
            return QStringLiteral("Folder");
        return mimeOf(info).comment();
    }

private:
    QMimeType mimeOf(const QFileInfo &info) const
    {
        return m_mimes.mimeTypeForFile(info.fileName(), QMimeDatabase::MatchExtension);
    }

    QMimeDatabase m_mimes;
};

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

// Qt's own dialog on every platform, so that what it reads is known: its file
// model looks at entries by name and kind only (NameOnlyIconProvider) and
// never reads a file's content. No default suffix: the path is used exactly as
// chosen. Replacing an existing file is confirmed by the dialog.
QString QtDialogs::saveFileName(QWidget *parent, const QString &title, const QString &filter)
{
    NameOnlyIconProvider icons;
    QFileDialog dialog(parent, title, QString(), qtFilter(filter));
    dialog.setObjectName(QStringLiteral("saveDialog"));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setOption(QFileDialog::DontUseCustomDirectoryIcons);
    dialog.setIconProvider(&icons);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setWindowTitle(title);
    if (dialog.exec() != QDialog::Accepted)
        return {};
    const QStringList chosen = dialog.selectedFiles();
    return chosen.isEmpty() ? QString() : chosen.constFirst();
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
