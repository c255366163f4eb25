#include "Global.h"

#include <QApplication>
#include <QDir>
#include <QDirIterator>
#include <QMessageBox>
#include <QWidget>

bool Online = false;
bool TurnFlag = false;
bool AboutShown = false;
std::uint8_t WatchdogTicks = 0;
std::uint8_t CreditIndex = 0;
std::uint8_t OwnSeatIndex = 0;

DialogHooks &Dialogs()
{
    static DialogHooks hooks;
    return hooks;
}

namespace {
// Boxes belong to the active window, so that they stay above an always-on-top dialog.
QWidget *boxOwner() { return QApplication::activeWindow(); }
}  // namespace

void ReportError(const QString &text)
{
    if (Dialogs().error)
        return Dialogs().error(text);
    QMessageBox::critical(boxOwner(), QCoreApplication::applicationName(), text);
}

void ShowMessage(const QString &text)
{
    if (Dialogs().message)
        return Dialogs().message(text);
    QMessageBox box(QMessageBox::NoIcon, QCoreApplication::applicationName(), text, QMessageBox::Ok, boxOwner());
    box.exec();
}

bool AskConfirmation(const QString &text)
{
    if (Dialogs().confirm)
        return Dialogs().confirm(text);
    return QMessageBox::warning(boxOwner(), QStringLiteral("Confirmation"), text, QMessageBox::Ok | QMessageBox::Cancel)
        == QMessageBox::Ok;
}

bool Guarded(const std::function<void()> &step)
{
    try {
        step();
        return true;
    } catch (const KelmarError &e) {
        ReportError(e.text());
    } catch (const std::exception &e) {
        ReportError(QString::fromLocal8Bit(e.what()));
    }
    return false;
}

void SetEnabled(std::initializer_list<QWidget *> controls, bool enabled)
{
    for (QWidget *control : controls) {
        if (control)
            control->setEnabled(enabled);
    }
}

QString ExeDir() { return QDir(QCoreApplication::applicationDirPath()).absolutePath() + QLatin1Char('/'); }

QString GraphDir() { return ExeDir() + QStringLiteral("Graph/"); }

QString ResourceDir() { return ExeDir() + QStringLiteral("Resource/"); }

QPixmap BuiltinPixmap(const QString &name)
{
    QDirIterator it(QStringLiteral(":/builtin"));
    while (it.hasNext()) {
        it.next();
        if (it.fileInfo().completeBaseName().compare(name, Qt::CaseInsensitive) == 0)
            return QPixmap(it.filePath());
    }
    return {};
}
