#include "platform/dialogs.h"

#include <QClipboard>
#include <QFileDialog>
#include <QFileIconProvider>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMessageBox>
#include <QMimeDatabase>
#include <QRegularExpression>
#include <QTextBoundaryFinder>

namespace dialogtext {

QString keepPathsWhole(const QString &text)
{
    static const QRegularExpression pathToken(QStringLiteral(R"([^\s]*[/\\][^\s]*)"));
    QString out;
    out.reserve(text.size() + 8);
    qsizetype at = 0;
    for (QRegularExpressionMatchIterator it = pathToken.globalMatch(text); it.hasNext();) {
        const QRegularExpressionMatch match = it.next();
        out += QStringView(text).mid(at, match.capturedStart() - at);
        const QString token = match.captured();
        // The same line-break rules the text layout applies.
        QTextBoundaryFinder breaks(QTextBoundaryFinder::Line, token);
        qsizetype from = 0;
        for (qsizetype b = breaks.toNextBoundary(); b > 0 && b < token.size(); b = breaks.toNextBoundary()) {
            out += QStringView(token).mid(from, b - from);
            out += QChar(kWordJoiner);
            from = b;
        }
        out += QStringView(token).mid(from);
        at = match.capturedEnd();
    }
    out += QStringView(text).mid(at);
    return out;
}

} // namespace dialogtext

namespace {

// A message box showing its texts with paths kept whole, that copies the
// texts as given.
class MessageBox : public QMessageBox
{
public:
    MessageBox(const QString &title, const QString &text, const QString &detail, StandardButtons buttons,
               QWidget *parent)
        : QMessageBox(NoIcon, title, dialogtext::keepPathsWhole(text), buttons, parent), m_text(text),
          m_detail(detail)
    {
        setTextFormat(Qt::PlainText);
        if (!detail.isEmpty()) {
            setInformativeText(dialogtext::keepPathsWhole(detail));
            // A file name is shown as written, never read as markup.
            if (auto *label = findChild<QLabel *>(QStringLiteral("qt_msgbox_informativelabel")))
                label->setTextFormat(Qt::PlainText);
        }
    }

protected:
    void keyPressEvent(QKeyEvent *event) override
    {
        if (event->matches(QKeySequence::Copy)) {
            QGuiApplication::clipboard()->setText(
                m_detail.isEmpty() ? m_text : m_text + QStringLiteral("\n\n") + m_detail);
            event->accept();
            return;
        }
        QMessageBox::keyPressEvent(event);
    }

private:
    QString m_text;
    QString m_detail;
};

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
    MessageBox box(programTitle(), text, QString(), QMessageBox::Yes | QMessageBox::No, parent);
    box.setDefaultButton(QMessageBox::Yes);
    return box.exec() == QMessageBox::Yes ? Answer::Yes : Answer::No;
}

void QtDialogs::tell(QWidget *parent, const QString &text, const QString &detail)
{
    MessageBox box(programTitle(), text, detail, QMessageBox::Ok, parent);
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
