// SPDX-License-Identifier: GPL-3.0-or-later
// The monkey test of the desktop program: the real main window, driven by a
// seeded stream of random user actions, stopped and during a run, through
// every control, menu item, dialog and mouse button, with the field and the
// windows checked after every action. It ends with Quit, whose exit status
// must be 0.
//
//   tst_monkey [--actions N] [--seed S] [--verbose]
//
// N actions (default 2000) chosen from seed S (default 1); --verbose prints
// each action. Run it on the offscreen platform: QT_QPA_PLATFORM=offscreen.
// A failure prints the last actions and ends the process with status 1.

#include "monkey.h"
#include "windowstruct.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <iostream>
#include <streambuf>
#include <string>

namespace {

// Hands every line written to a standard stream to a function while alive.
class LineTap : public std::streambuf
{
public:
    LineTap(std::ostream& stream, std::function<void(const std::string&)> onLine)
        : stream(stream)
        , saved(stream.rdbuf(this))
        , onLine(std::move(onLine))
    {
    }
    ~LineTap() override { stream.rdbuf(saved); }
    LineTap(const LineTap&) = delete;
    LineTap& operator=(const LineTap&) = delete;

protected:
    int overflow(int c) override
    {
        if (c == traits_type::eof())
            return traits_type::not_eof(c);
        if (c == '\n') {
            onLine(line);
            line.clear();
        } else {
            line.push_back(char(c));
        }
        return c;
    }

private:
    std::ostream& stream;
    std::streambuf* saved;
    std::function<void(const std::string&)> onLine;
    std::string line;
};

const Monkey* runningMonkey = nullptr;
QtMessageHandler defaultHandler = nullptr;

// Qt's warnings end the run, but for those a monkey causes by design: QTest's
// note that a widget let an event pass (a right click on a button, a key a
// spin box does not use) and the offscreen platform's lack of window hints.
void watchMessages(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    const bool expected = message.contains(QLatin1String("not accepted by receiving widget"))
                          || message.startsWith(QLatin1String("This plugin does not support"));
    if (expected)
        return;
    defaultHandler(type, context, message);
    if (runningMonkey && type != QtDebugMsg && type != QtInfoMsg)
        runningMonkey->fault(QStringLiteral("Qt reported: %1").arg(message));
}

bool readNumber(const char* text, unsigned long long limit, unsigned long long* value)
{
    if (!text || !*text || *text == '-')
        return false;
    char* end = nullptr;
    errno = 0;
    const unsigned long long number = std::strtoull(text, &end, 10);
    if (errno != 0 || *end != '\0' || number > limit)
        return false;
    *value = number;
    return true;
}

int usage(const char* program, const char* complaint)
{
    if (complaint)
        std::fprintf(stderr, "%s: %s\n", program, complaint);
    std::fprintf(complaint ? stderr : stdout,
                 "usage: %s [--actions N] [--seed S] [--verbose]\n"
                 "  --actions N  how many random actions before Quit (default 2000)\n"
                 "  --seed S     the seed of the actions and of the field, 0 .. 4294967295 (default 1)\n"
                 "  --verbose    print every action\n",
                 program);
    return complaint ? 2 : 0;
}

// Returns -1 when the run may go on, otherwise the exit status.
int parseArguments(int argc, char** argv, MonkeyOptions& options)
{
    for (int i = 1; i < argc; ++i) {
        std::string argument = argv[i];
        std::string value;
        bool hasValue = false;
        if (const auto equals = argument.find('='); argument.rfind("--", 0) == 0 && equals != std::string::npos) {
            value = argument.substr(equals + 1);
            argument.resize(equals);
            hasValue = true;
        }
        auto next = [&]() -> const char* {
            if (hasValue)
                return value.c_str();
            return i + 1 < argc ? argv[++i] : nullptr;
        };
        unsigned long long number = 0;
        if (argument == "--actions") {
            if (!readNumber(next(), 1000000000ull, &number))
                return usage(argv[0], "--actions needs a count from 0 to 1000000000");
            options.actions = long(number);
        } else if (argument == "--seed") {
            if (!readNumber(next(), 0xffffffffull, &number))
                return usage(argv[0], "--seed needs a number from 0 to 4294967295");
            options.seed = std::uint32_t(number);
        } else if (argument == "--verbose" || argument == "-v") {
            options.verbose = true;
        } else if (argument == "--help" || argument == "-h") {
            return usage(argv[0], nullptr);
        } else {
            return usage(argv[0], ("unknown argument " + std::string(argv[i])).c_str());
        }
    }
    return -1;
}

}  // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    MonkeyOptions options;
    if (const int status = parseArguments(argc, argv, options); status >= 0)
        return status;

    // The pictures land in a folder of their own, which the help file shares.
    QTemporaryDir folder;
    if (!folder.isValid()) {
        std::fprintf(stderr, "tst_monkey: no temporary folder: %s\n", qPrintable(folder.errorString()));
        return 1;
    }
    QFile::copy(QStringLiteral(MONKEY_HELP_FILE), folder.filePath(QStringLiteral("tidmarhelp.txt")));
    const QString home = QDir::currentPath();
    QDir::setCurrent(folder.path());
    defaultHandler = qInstallMessageHandler(watchMessages);

    std::printf("tst_monkey: %ld actions, seed %u\n", options.actions, options.seed);
    std::fflush(stdout);
    QElapsedTimer clock;
    clock.start();
    int status = -1;
    QString report;
    {
        Windowstruct window;
        window.setWindowTitle(QStringLiteral("Tidmar III"));
        window.show();
        if (!QTest::qWaitForWindowExposed(&window)) {
            std::fprintf(stderr, "tst_monkey: the main window was never shown\n");
            return 1;
        }
        window.activateWindow();
        // The window takes its fixed size from its layout.
        if (!QTest::qWaitFor([&] { return window.minimumSize() == window.maximumSize(); })) {
            std::fprintf(stderr, "tst_monkey: the main window never took a fixed size\n");
            return 1;
        }

        Monkey monkey(window, options);
        LineTap out(std::cout,
                    [&](const std::string& line) { monkey.programSaid(false, QString::fromStdString(line)); });
        LineTap err(std::cerr,
                    [&](const std::string& line) { monkey.programSaid(true, QString::fromStdString(line)); });
        runningMonkey = &monkey;
        monkey.start();
        status = QApplication::exec();
        if (status != 0)
            monkey.fault(QStringLiteral("the event loop returned %1").arg(status));
        monkey.checkAfterQuit();
        runningMonkey = nullptr;
        report = monkey.report();
    }
    QDir::setCurrent(home);
    std::printf("tst_monkey: %s\ntst_monkey: passed, exit status %d, %.1f s\n", qPrintable(report), status,
                double(clock.elapsed()) / 1000.0);
    return 0;
}
