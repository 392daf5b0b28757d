// SPDX-License-Identifier: GPL-3.0-or-later
#include "aboutbox.h"
#include "helpfile.h"
#include "helpview.h"
#include "version.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QMessageBox>
#include <QPushButton>
#include <QRandomGenerator>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>
#include <QTimer>

#include <memory>

namespace {

void writeFile(const QString& path, const QByteArray& content)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(content), content.size());
}

QTextEdit* textView(const Helpview& view)
{
    return view.findChild<QTextEdit*>();
}

QPushButton* closeButton(const Helpview& view)
{
    return view.findChild<QPushButton*>(QStringLiteral("quit"));
}

} // namespace

class TestHelpview : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void withoutFile();
    void shownText_data();
    void shownText();
    void closeHidesAndShowKeepsState();
    void lookupOrder();
    void awkwardFiles_data();
    void awkwardFiles();
    void shippedHelpFileShownVerbatim();

    void aboutBox();

private:
    QString originalDir;
    std::unique_ptr<QTemporaryDir> workDir;
};

// Every test runs in a fresh, empty working directory.
void TestHelpview::init()
{
    originalDir = QDir::currentPath();
    workDir = std::make_unique<QTemporaryDir>();
    QVERIFY(workDir->isValid());
    QVERIFY(QDir::setCurrent(workDir->path()));
}

void TestHelpview::cleanup()
{
    QDir::setCurrent(originalDir);
    workDir.reset();
}

// Without a help file in the working directory, wherever the program is, the
// viewer shows the help built into it: the shipped help text.
void TestHelpview::withoutFile()
{
    Helpview view;
    QCOMPARE(view.windowTitle(), QStringLiteral(" Helpfile for Tidmar III "));
    QVERIFY(!view.isModal());
    QCOMPARE(view.minimumSize(), QSize(640, 400));
    QCOMPARE(view.maximumSize(), QSize(640, 400));
    QVERIFY(textView(view)->isReadOnly());
    QCOMPARE(closeButton(view)->text(), QStringLiteral(" &Close"));

    QFile shipped(QStringLiteral(SHIPPED_HELP_FILE));
    QVERIFY(shipped.open(QIODevice::ReadOnly | QIODevice::Text));
    const QString content = QString::fromUtf8(shipped.readAll());
    QCOMPARE(readHelpText(builtInHelpPath()), content);
    QCOMPARE(textView(view)->toPlainText(), content);

    // A directory of that name is no help file either.
    QVERIFY(QDir().mkdir(helpFileName()));
    Helpview again;
    QCOMPARE(textView(again)->toPlainText(), content);
}

void TestHelpview::shownText_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("shown");
    QTest::newRow("plain") << QByteArray("Tidmar III\n\nThe field\n") << "Tidmar III\n\nThe field\n";
    QTest::newRow("markup is rendered") << QByteArray("<b>Tidmar</b> III") << "Tidmar III";
    QTest::newRow("UTF-8") << QByteArray("Miesmuschelbänke – Prädatoren") << "Miesmuschelbänke – Prädatoren";
}

void TestHelpview::shownText()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, shown);
    writeFile(helpFileName(), content);

    Helpview view;
    QCOMPARE(textView(view)->toPlainText(), shown);
}

void TestHelpview::closeHidesAndShowKeepsState()
{
    QByteArray content;
    for (int line = 0; line < 300; ++line)
        content += "Line " + QByteArray::number(line) + " of the help text\n";
    writeFile(helpFileName(), content);

    Helpview view;
    QTextEdit* text = textView(view);
    const QString shown = text->toPlainText();
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    QScrollBar* scroll = text->verticalScrollBar();
    QVERIFY(scroll->maximum() > 0);
    scroll->setValue(scroll->maximum() / 2);
    const int position = scroll->value();

    // Typing into the view changes nothing.
    QTest::keyClicks(text->viewport(), "xyz");
    QCOMPARE(text->toPlainText(), shown);

    QTest::mouseClick(closeButton(view), Qt::LeftButton);
    QVERIFY(!view.isVisible());
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    QCOMPARE(text->toPlainText(), shown);
    QCOMPARE(scroll->value(), position);

    // Alt+C is the button's mnemonic.
    view.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&view));
    QTest::keyClick(&view, Qt::Key_C, Qt::AltModifier);
    QTRY_VERIFY(!view.isVisible());
}

void TestHelpview::lookupOrder()
{
    QTemporaryDir empty;
    QTemporaryDir withFolder;
    QTemporaryDir first;
    QTemporaryDir second;
    QVERIFY(QDir(withFolder.path()).mkdir(helpFileName()));
    writeFile(first.filePath(helpFileName()), "first");
    writeFile(second.filePath(helpFileName()), "second");

    QCOMPARE(findHelpFile({empty.path(), withFolder.path(), first.path(), second.path()}),
             first.filePath(helpFileName()));
    QCOMPARE(findHelpFile({QString(), second.path(), first.path()}), second.filePath(helpFileName()));
    QVERIFY(findHelpFile({empty.path(), withFolder.path()}).isEmpty());
    QVERIFY(findHelpFile({}).isEmpty());

    // Only the working directory is searched; its file comes before the
    // built-in help.
    QCOMPARE(helpFolders(), QStringList{QDir::currentPath()});
    writeFile(helpFileName(), "here");
    QCOMPARE(helpText(helpFolders()), QStringLiteral("here"));
}

void TestHelpview::awkwardFiles_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QStringList>("parts");

    QByteArray binary(1024 * 1024, '\0');
    QRandomGenerator random(5);
    for (char& byte : binary)
        byte = static_cast<char>(random.bounded(256));

    QByteArray large;
    while (large.size() < maxHelpBytes + 1024 * 1024)
        large += "A long help text line.\n";

    QTest::newRow("empty") << QByteArray() << QStringList();
    QTest::newRow("invalid UTF-8") << QByteArray("ab\xff\xfe cd\xc3") << QStringList{"ab", " cd", QString(QChar(0xfffd))};
    QTest::newRow("NUL bytes") << QByteArray("Tid\0mar\0", 8) << QStringList{"Tidmar"};
    QTest::newRow("CRLF") << QByteArray("one\r\ntwo\r\n") << QStringList{"one\ntwo\n"};
    QTest::newRow("binary") << binary << QStringList();
    QTest::newRow("several megabytes") << large << QStringList{"A long help text line.\n"};
}

void TestHelpview::awkwardFiles()
{
    QFETCH(QByteArray, content);
    QFETCH(QStringList, parts);
    writeFile(helpFileName(), content);

    const QString text = readHelpText(helpFileName());
    QVERIFY(text.size() <= maxHelpBytes);
    QVERIFY(!text.contains(QChar(u'\0')));
    for (const QString& part : parts)
        QVERIFY2(text.contains(part), qPrintable(part));

    Helpview view;
    QVERIFY(textView(view)->isReadOnly());
    QCOMPARE(textView(view)->document()->isEmpty(), text.isEmpty());
}

// The help text that comes with the program must not be taken for markup.
void TestHelpview::shippedHelpFileShownVerbatim()
{
    QFile shipped(QStringLiteral(SHIPPED_HELP_FILE));
    QVERIFY(shipped.open(QIODevice::ReadOnly | QIODevice::Text));
    const QString content = QString::fromUtf8(shipped.readAll());
    QVERIFY(!content.isEmpty());
    QVERIFY(QFile::copy(shipped.fileName(), helpFileName()));

    Helpview view;
    QCOMPARE(textView(view)->toPlainText(), content);
}

void TestHelpview::aboutBox()
{
    QWidget parent;
    QString title;
    QString text;
    QString details;
    QTimer::singleShot(0, [&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            title = box->windowTitle();
            text = box->text();
            details = box->informativeText();
            box->accept();
        }
    });
    showAbout(&parent, 1234567);
    QCOMPARE(title, QStringLiteral("Mussel Disturbance Model"));
    QCOMPARE(text, aboutText());
    QCOMPARE(details, aboutDetails(1234567));
    QVERIFY2(details.startsWith(QStringLiteral("Version ") + QString::fromUtf8(tidmarVersion())), qPrintable(details));
    QVERIFY2(details.contains(QStringLiteral("seed of this start: 1234567\n")), qPrintable(details));

    const QStringList lines = text.split(u'\n');
    QCOMPARE(lines.size(), 8);
    QVERIFY(lines.at(0).isEmpty());
    for (int i = 1; i <= 4; ++i)
        QVERIFY(!lines.at(i).isEmpty());
    QVERIFY(lines.at(5).isEmpty());
    const QString description = lines.mid(1, 4).join(u' ');
    for (const char* word : {"European", "mussel disturbance model", "age structure", "predators"})
        QVERIFY2(description.contains(QLatin1String(word)), word);
    QVERIFY(lines.at(6).contains(QStringLiteral("Tidmar III")));
    QVERIFY(lines.at(7).endsWith(QStringLiteral("2005")));
}

QTEST_MAIN(TestHelpview)
#include "tst_helpview.moc"
