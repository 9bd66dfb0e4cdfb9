#include "testsupport.h"

#include "marlisseapp.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

namespace {

// Every test program runs headless, however it is started; runs before main().
const bool headless = [] {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    return true;
}();

// Each test process keeps its user data (the recovery journals) in a folder of
// its own, made before anything asks where that data lives: no test sees the
// journal of another, running beside it or before it, or the user's own.
QTemporaryDir &ownDataDir()
{
    static QTemporaryDir folder(QDir::tempPath() + QLatin1String("/marlisse-tests-XXXXXX"));
    return folder;
}
const bool ownDataFolder = [] {
    qputenv("XDG_DATA_HOME", QFile::encodeName(ownDataDir().path()));
    return true;
}();

// The offscreen platform warns about every top-level window it cannot size-hint.
QtMessageHandler previousHandler = nullptr;
void quietHandler(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (message.contains(QLatin1String("does not support propagateSizeHints")))
        return;
    previousHandler(type, context, message);
}

} // namespace

namespace TestSupport {

void init()
{
    Q_UNUSED(headless);
    Q_UNUSED(ownDataFolder);
    // Each test program has a configuration folder of its own, where the preferences
    // of a program folder that cannot be written go: nothing reaches another test
    // program or the user's own folder.
    static QTemporaryDir configuration;
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(configuration.path()));
    previousHandler = qInstallMessageHandler(quietHandler);
    registerMarlisseImages();
    QCoreApplication::setAttribute(Qt::AA_DontUseNativeDialogs, true);
}

EditorFixture::EditorFixture()
{
    window = new KalTextEdit(QStringLiteral("Marlisse"), QString(), true, programPath(),
                             QStringLiteral("2.1"));
}

EditorFixture::~EditorFixture()
{
    stopModalWatchers();
    closeStrayModals();
    delete window.data();
}

// The watchers still waiting for a modal widget; a test that ends stops its own,
// so that none of them answers a dialog of the next test.
static QList<QPointer<QTimer>> &pendingWatchers()
{
    static QList<QPointer<QTimer>> watchers;
    return watchers;
}

void whenModalShows(std::function<void(QWidget *)> handler, int timeoutMs)
{
    auto *timer = new QTimer(qApp);
    QElapsedTimer clock;
    clock.start();
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, clock, handler, timeoutMs]() {
        QWidget *modal = QApplication::activeModalWidget();
        if (modal && modal->isVisible()) {
            timer->stop();
            timer->deleteLater();
            handler(modal);
        } else if (clock.elapsed() > timeoutMs) {
            timer->stop();
            timer->deleteLater();
        }
    });
    pendingWatchers().removeAll(nullptr);
    pendingWatchers().append(timer);
    timer->start();
}

void stopModalWatchers()
{
    for (const QPointer<QTimer> &timer : std::as_const(pendingWatchers())) {
        if (timer) {
            timer->stop();
            timer->deleteLater();
        }
    }
    pendingWatchers().clear();
}

bool closeStrayModals()
{
    bool found = false;
    for (int attempt = 0; attempt < 20; ++attempt) {
        QWidget *modal = QApplication::activeModalWidget();
        if (!modal)
            break;
        found = true;
        if (auto *dialog = qobject_cast<QDialog *>(modal))
            dialog->reject();
        else
            modal->close();
        QCoreApplication::processEvents();
    }
    return found;
}

QAction *action(QWidget *window, const QString &name)
{
    auto *found = window->findChild<QAction *>(name);
    if (!found)
        qWarning("no action %s", qPrintable(name));
    return found;
}

QByteArray readBytes(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray("<cannot read>");
    return file.readAll();
}

bool writeBytes(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QString dataFolder()
{
    return ownDataDir().path();
}

bool inScreenChild()
{
    return qEnvironmentVariableIsSet("MARLISSE_CHILD_SCREEN");
}

QString runOnScreen(const QSize &screen, const QString &testFunction,
                    const QStringList &environment)
{
    QTemporaryDir dir;
    const QString config = dir.filePath(QStringLiteral("screen.json"));
    QFile file(config);
    if (!file.open(QIODevice::WriteOnly))
        return QStringLiteral("cannot write ") + config;
    file.write(QStringLiteral(R"({"screens":[{"name":"s","x":0,"y":0,"width":%1,"height":%2,)"
                              R"("logicalDpi":96,"logicalBaseDpi":96,"dpr":1}]})")
                   .arg(screen.width())
                   .arg(screen.height())
                   .toLatin1());
    file.close();

    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("MARLISSE_CHILD_SCREEN"), QStringLiteral("1"));
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen:configfile=") + config);
    for (const QString &variable : environment)
        env.insert(variable.section(QLatin1Char('='), 0, 0), variable.section(QLatin1Char('='), 1));
    child.setProcessEnvironment(env);
    const char *const row = QTest::currentDataTag();
    child.start(QCoreApplication::applicationFilePath(),
                {row ? testFunction + QLatin1Char(':') + QString::fromLatin1(row) : testFunction});
    if (!child.waitForFinished(60000))
        return QStringLiteral("the child did not finish");
    const QByteArray output = child.readAllStandardOutput() + child.readAllStandardError();
    const bool passed = child.exitStatus() == QProcess::NormalExit && child.exitCode() == 0
        && output.contains("Totals: 3 passed");
    return passed ? QString() : QString::fromLocal8Bit(output);
}

bool clickButton(QWidget *dialog, const QString &text)
{
    const auto buttons = dialog->findChildren<QAbstractButton *>();
    for (QAbstractButton *button : buttons) {
        QString label = button->text();
        label.remove(QLatin1Char('&'));
        QString wanted = text;
        wanted.remove(QLatin1Char('&'));
        if (label == wanted) {
            button->click();
            return true;
        }
    }
    return false;
}

} // namespace TestSupport
