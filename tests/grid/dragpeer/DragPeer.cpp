// Two programs under X for the drag-and-drop tests: "grid" shows an advanced grid that takes drops
// and, for each text size it is given, starts a "sender" that drags that much text onto the grid
// and drops it there; the grid prints what each drag came to. The sender is an ordinary Qt program:
// a window whose press and moves, made as a person makes them (Qt's test events, which Qt's drag
// follows), carry a QDrag across the screen; Qt tells the grid of it through the X server.
//
//   grid <cells>...     cells: the text is that many rows of that many cells, "c" each
//   sender <cells> <x> <y> <stay>
//
// The grid prints one line a drag, fields separated by spaces:
//   drag <cells> ended <0|1> releaseToEndMs <n> action <a> servedDuringDrag <n> served <n>
//        dropped <0|1> changed <0|1> message <text to the end of the line>
// ended: the sender's QDrag::exec returned (it prints how long after the release, and which action
// it reports: 0 none, 1 copy, 2 move); servedDuringDrag: the times the sender was asked for its text
// before its drag ended; served: in all (only when the sender stays until the grid has taken the
// drop: stay 1); changed: any cell of the grid changed; message: what the grid reported.
//
// The sender reads commands from its standard input ("release", "quit") and prints "ended <ms>
// <action> <served>" and "served <n>".
#include "grid/AdvancedGrid.h"
#include "platform/ui/PinnedLook.h"
#include "platform/ui/UiBoundary.h"

#include <QApplication>
#include <QDrag>
#include <QElapsedTimer>
#include <QMimeData>
#include <QProcess>
#include <QSocketNotifier>
#include <QTest>
#include <QTimer>
#include <QWindow>
#include <cstdio>
#include <unistd.h>

namespace {

constexpr int kWaitMs = 30000; // for what a loaded machine may take; a failing run ends sooner

// The times the sender's text was asked for (Qt keeps the text it drags, and deletes it, as it needs).
int served = 0;

// The sender's text, counting the times it is asked for.
class TCountingText : public QMimeData {
public:
    explicit TCountingText(QString text) : text_(std::move(text)) {}
    QStringList formats() const override { return {QStringLiteral("text/plain")}; }
    bool hasFormat(const QString& format) const override { return format == QLatin1String("text/plain"); }

protected:
    QVariant retrieveData(const QString& format, QMetaType) const override {
        if (!hasFormat(format)) return {};
        ++served;
        return text_;
    }

private:
    QString text_;
};

QString TextOfCells(int cells) {
    const QString row = QStringList(cells, QStringLiteral("c")).join(u'\t');
    QString text;
    text.reserve((row.size() + 2) * qsizetype(cells));
    for (int r = 0; r < cells; ++r) text += row + QLatin1String("\r\n");
    return text;
}

int Sender(int cells, QPoint target, bool stay) {
    QWidget window;
    window.setGeometry(600, 500, 100, 100);
    window.show();
    if (!QTest::qWaitForWindowExposed(&window)) return 1;
    QWindow* handle = window.windowHandle();
    const QPoint start(50, 50), end = target - window.mapToGlobal(QPoint(0, 0));
    QTest::mousePress(handle, Qt::LeftButton, {}, start);
    auto* data = new TCountingText(TextOfCells(cells));

    // Commands come while the drag runs (its own event loop) and after it.
    bool releaseAsked = false, quitAsked = false;
    QSocketNotifier commands(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(&commands, &QSocketNotifier::activated, [&] {
        char buffer[64];
        const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (n <= 0) {
            commands.setEnabled(false);
            quitAsked = true;
            return;
        }
        const QByteArray got(buffer, int(n));
        releaseAsked = releaseAsked || got.contains("release");
        quitAsked = quitAsked || got.contains("quit");
    });
    // The pointer goes to the grid in steps, then stays there, moving by a pixel, until the grid
    // asks for the release.
    QElapsedTimer released;
    int step = 0;
    QTimer pointer;
    QObject::connect(&pointer, &QTimer::timeout, [&] {
        ++step;
        if (released.isValid()) return;
        if (step <= 5) {
            QTest::mouseMove(handle, start + (end - start) * step / 5);
        } else if (!releaseAsked) {
            QTest::mouseMove(handle, end + QPoint(step % 2, 0));
        } else {
            released.start();
            QTest::mouseRelease(handle, Qt::LeftButton, {}, end);
        }
    });
    pointer.start(40);
    auto* drag = new QDrag(&window); // Qt deletes it after the drag
    drag->setMimeData(data);
    const Qt::DropAction action = drag->exec(Qt::CopyAction | Qt::MoveAction);
    const qint64 afterRelease = released.isValid() ? released.elapsed() : -1;
    pointer.stop();
    printf("ended %lld %d %d\n", afterRelease, int(action), served);
    fflush(stdout);
    if (stay && !QTest::qWaitFor([&] { return quitAsked; }, kWaitMs)) return 1;
    printf("served %d\n", served);
    fflush(stdout);
    return 0;
}

// The grid, noting when it has answered a move of the drag and when it has taken a drop.
class TTargetGrid : public TVevIvizudEvar {
public:
    using TVevIvizudEvar::TVevIvizudEvar;
    bool MoveAnswered = false, Dropped = false;

protected:
    void dragMoveEvent(QDragMoveEvent* e) override {
        TVevIvizudEvar::dragMoveEvent(e);
        MoveAnswered = true;
    }
    void dropEvent(QDropEvent* e) override {
        TVevIvizudEvar::dropEvent(e);
        Dropped = true;
    }
};

std::vector<QStringList> Cells(TVevIvizudEvar& grid) {
    std::vector<QStringList> rows;
    for (int r = 0; r < grid.RowCount(); ++r) rows.push_back(grid.Rows(r));
    return rows;
}

int Grid(const QStringList& sizes) {
    QWidget window;
    window.setGeometry(0, 0, 420, 320);
    auto* grid = new TTargetGrid(&window);
    grid->setGeometry(0, 0, 400, 300);
    grid->SetColCount(5);
    grid->SetRowCount(6);
    grid->SetOptions(grid->Options() + goEditing);
    grid->DragDropSettings.OleDropTarget = true;
    for (int r = 1; r < 6; ++r) grid->SetGridCells(1, r, QString("r%1").arg(r));
    QString message;
    SetUiExceptionHandler([&](const std::exception& e) { message = QString::fromUtf8(e.what()); });
    window.show();
    if (!QTest::qWaitForWindowExposed(&window)) return 1;
    const TRect cell = grid->CellRect(2, 2);
    const QPoint target = grid->viewport()->mapToGlobal(QPoint((cell.Left + cell.Right) / 2, cell.Top + 4));
    for (const QString& size : sizes) {
        const bool stay = size.endsWith(u's'); // "2100s": the sender stays to give the drop its text
        const int cells = QString(size).remove(u's').toInt();
        const std::vector<QStringList> before = Cells(*grid);
        grid->MoveAnswered = grid->Dropped = false;
        message.clear();
        QProcess sender;
        sender.start(QCoreApplication::applicationFilePath(),
                     {"sender", QString::number(cells), QString::number(target.x()),
                      QString::number(target.y()), stay ? "1" : "0"});
        QByteArray out;
        auto line = [&](const char* start) {
            const qsizetype at = out.indexOf(start);
            return at < 0 ? QByteArray() : out.mid(at, out.indexOf('\n', at) - at);
        };
        auto waitFor = [&](auto done) {
            return QTest::qWaitFor(
                [&] {
                    out += sender.readAllStandardOutput();
                    return done() || sender.state() == QProcess::NotRunning;
                },
                kWaitMs);
        };
        waitFor([&] { return grid->MoveAnswered; });
        sender.write("release\n");
        waitFor([&] { return !line("ended").isEmpty(); });
        const QList<QByteArray> ended = line("ended").split(' ');
        const bool dragEnded = ended.size() == 4;
        // A drop the grid was offered comes before the sender's drag ends.
        if (dragEnded && ended[2] != "0") waitFor([&] { return grid->Dropped; });
        sender.write("quit\n");
        sender.closeWriteChannel();
        waitFor([&] { return false; });
        out += sender.readAllStandardOutput();
        const QByteArray served = line("served").mid(7);
        printf("drag %d ended %d releaseToEndMs %s action %s servedDuringDrag %s served %s dropped %d "
               "changed %d "
               "message %s\n",
               cells, int(dragEnded), dragEnded ? ended[1].constData() : "-1",
               dragEnded ? ended[2].constData() : "-1", dragEnded ? ended[3].constData() : "-1",
               served.isEmpty() ? "-1" : served.constData(), int(grid->Dropped), int(Cells(*grid) != before),
               qPrintable(message));
        fflush(stdout);
        if (sender.state() != QProcess::NotRunning) sender.kill(), sender.waitForFinished();
    }
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    PreparePinnedLook();
    QApplication app(argc, argv);
    ApplyPinnedLook(app);
    QStringList args = QCoreApplication::arguments().mid(1);
    if (args.value(0) == "sender" && args.size() == 5)
        return Sender(args[1].toInt(), QPoint(args[2].toInt(), args[3].toInt()), args[4] == "1");
    if (args.value(0) == "grid") return Grid(args.mid(1));
    fprintf(stderr, "usage: grid <cells>... | sender <cells> <x> <y> <stay>\n");
    return 2;
}
