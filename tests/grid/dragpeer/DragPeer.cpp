// Two programs under X for the drag-and-drop tests. "grid <cells>..." shows an advanced grid that
// takes drops and, for each size, starts "sender <cells> <x> <y> <stay>", an ordinary Qt program
// whose press and moves (Qt's test events, which Qt's drag follows) carry a QDrag of that many rows
// of that many "c" cells to the screen point, where it releases the button when the grid asks. The
// grid prints a line a drag:
//   drag <cells> ended <0|1> releaseToEndMs <n> action <0|1|2> servedDuringDrag <n> served <n>
//        dropped <0|1> changed <0|1> message <the rest of the line>
// ended: the sender's QDrag::exec returned, releaseToEndMs after the release, with the action;
// servedDuringDrag and served: the times the sender gave its text before its drag ended and in
// all (it stays to give the drop its text only with stay 1); changed: a cell of the grid changed;
// message: what the grid reported. The sender takes "release" and "quit" on its standard input.
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
int served = 0;                // the times the sender's text was given (Qt deletes the text itself)

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

int Sender(int cells, QPoint target, bool stay) {
    QWidget window;
    window.setGeometry(600, 500, 100, 100);
    window.show();
    if (!QTest::qWaitForWindowExposed(&window)) return 1;
    const QString row = QStringList(cells, QStringLiteral("c")).join(u'\t') + QLatin1String("\r\n");
    QWindow* handle = window.windowHandle();
    const QPoint start(50, 50), end = target - window.mapToGlobal(QPoint(0, 0));
    QTest::mousePress(handle, Qt::LeftButton, {}, start);
    QByteArray commands;
    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, [&] {
        char buffer[64];
        const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
        commands += n > 0 ? QByteArray(buffer, int(n)) : QByteArray("quit");
        input.setEnabled(n > 0);
    });
    // The pointer goes to the point in steps, then moves there by a pixel until the grid asks for
    // the release.
    QElapsedTimer released;
    int step = 0;
    QTimer pointer;
    QObject::connect(&pointer, &QTimer::timeout, [&] {
        if (released.isValid()) return;
        if (++step <= 5) {
            QTest::mouseMove(handle, start + (end - start) * step / 5);
        } else if (!commands.contains("release")) {
            QTest::mouseMove(handle, end + QPoint(step % 2, 0));
        } else {
            released.start();
            QTest::mouseRelease(handle, Qt::LeftButton, {}, end);
        }
    });
    pointer.start(40);
    auto* drag = new QDrag(&window); // Qt deletes it after the drag
    drag->setMimeData(new TCountingText(row.repeated(cells)));
    const Qt::DropAction action = drag->exec(Qt::CopyAction | Qt::MoveAction);
    printf("ended %lld %d %d\n", released.isValid() ? released.elapsed() : -1, int(action), served);
    fflush(stdout);
    if (stay && !QTest::qWaitFor([&] { return commands.contains("quit"); }, kWaitMs)) return 1;
    printf("served %d\n", served);
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
    auto cells = [&] {
        std::vector<QStringList> rows;
        for (int r = 0; r < grid->RowCount(); ++r) rows.push_back(grid->Rows(r));
        return rows;
    };
    for (const QString& size : sizes) {
        const bool stay = size.endsWith(u's'); // "2100s": the sender stays to give the drop its text
        const int n = QString(size).remove(u's').toInt();
        const std::vector<QStringList> before = cells();
        grid->MoveAnswered = grid->Dropped = false;
        message.clear();
        QProcess sender;
        sender.start(QCoreApplication::applicationFilePath(),
                     {"sender", QString::number(n), QString::number(target.x()), QString::number(target.y()),
                      stay ? "1" : "0"});
        QByteArray out;
        auto waitFor = [&](auto done) {
            (void)QTest::qWaitFor(
                [&] {
                    out += sender.readAllStandardOutput();
                    return done() || sender.state() == QProcess::NotRunning;
                },
                kWaitMs);
        };
        auto field = [&](const char* name, int index) {
            const qsizetype at = out.indexOf(name);
            const QList<QByteArray> words =
                at < 0 ? QList<QByteArray>() : out.mid(at, out.indexOf('\n', at) - at).split(' ');
            return words.value(index, "-1");
        };
        waitFor([&] { return grid->MoveAnswered; });
        sender.write("release\n");
        waitFor([&] { return out.contains("ended"); });
        // A drop the grid was offered comes before the sender's drag ends.
        if (field("ended", 2) != "0" && field("ended", 2) != "-1") waitFor([&] { return grid->Dropped; });
        sender.write("quit\n");
        sender.closeWriteChannel();
        waitFor([] { return false; });
        out += sender.readAllStandardOutput();
        printf("drag %d ended %d releaseToEndMs %s action %s servedDuringDrag %s served %s dropped %d "
               "changed %d "
               "message %s\n",
               n, int(out.contains("ended")), field("ended", 1).constData(), field("ended", 2).constData(),
               field("ended", 3).constData(), field("served", 1).constData(), int(grid->Dropped),
               int(cells() != before), qPrintable(message));
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
    const QStringList args = QCoreApplication::arguments().mid(1);
    if (args.value(0) == "sender" && args.size() == 5)
        return Sender(args[1].toInt(), QPoint(args[2].toInt(), args[3].toInt()), args[4] == "1");
    if (args.value(0) == "grid") return Grid(args.mid(1));
    fprintf(stderr, "usage: grid <cells>... | sender <cells> <x> <y> <stay>\n");
    return 2;
}
