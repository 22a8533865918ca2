// snipe_harness: random scenarios of short snipes against the practice site, each with random
// faults on its steps, random latency and random user actions at random moments, checked
// against the site's own record and the database after the refresh. A run is reproducible from
// its seed; scenario i alone is re-run with --seed S --first i --scenarios 1 --jobs 1.
#include "Invariants.h"
#include "ScenarioPlan.h"
#include "ScenarioRun.h"
#include "platform/MsgBox.h"

#include <QApplication>
#include <QDateTime>
#include <QProcess>
#include <QStringList>
#include <cstdio>
#include <memory>
#include <vector>

namespace {

struct Options
{
    int scenarios = 50;
    quint64 seed = 0;
    int first = 0;
    int jobs = 8;
    bool worker = false;
    int offset = 0; // worker: runs first + offset, then every stride-th after it
    int stride = 1;
};

bool parse(const QStringList &args, Options &o)
{
    bool seedGiven = false;
    for (int i = 1; i < args.size(); ++i) {
        const QString &a = args[i];
        const auto value = [&](qint64 &out) {
            bool ok = false;
            out = i + 1 < args.size() ? args[++i].toLongLong(&ok) : 0;
            return ok;
        };
        qint64 v = 0;
        if (a == QLatin1String("--worker")) {
            o.worker = true;
            continue;
        }
        if (a == QLatin1String("--seed")) {
            bool ok = false;
            o.seed = i + 1 < args.size() ? args[++i].toULongLong(&ok) : 0;
            if (!ok)
                return false;
            seedGiven = true;
            continue;
        }
        if (!value(v) || v < 0)
            return false;
        if (a == QLatin1String("--scenarios"))
            o.scenarios = static_cast<int>(v);
        else if (a == QLatin1String("--first"))
            o.first = static_cast<int>(v);
        else if (a == QLatin1String("--jobs"))
            o.jobs = static_cast<int>(std::max<qint64>(1, v));
        else if (a == QLatin1String("--offset"))
            o.offset = static_cast<int>(v);
        else if (a == QLatin1String("--stride"))
            o.stride = static_cast<int>(std::max<qint64>(1, v));
        else
            return false;
    }
    if (!seedGiven)
        o.seed = static_cast<quint64>(QDateTime::currentMSecsSinceEpoch()) % 1000000007ULL;
    return true;
}

// The user's answers to the program's boxes: Yes to a question (the dialog's "are you sure" of a
// short BidSeconds), OK to a notice; each kept for the report, the expected question aside.
class Answers
{
public:
    Answers()
    {
        m_previous = MsgBox::setHandler([this](const MsgBox::Request &r) {
            if (r.title != QLatin1String("Confirm this Bid?"))
                titles << r.title;
            return r.buttons == MsgBox::Buttons::YesNo || r.buttons == MsgBox::Buttons::YesNoCancel
                       ? MsgBox::Answer::Yes
                       : MsgBox::Answer::Ok;
        });
    }
    ~Answers() { MsgBox::setHandler(m_previous); }
    Answers(const Answers &) = delete;
    Answers &operator=(const Answers &) = delete;

    QStringList titles;

private:
    MsgBox::Handler m_previous;
};

// Runs this process's share of the scenarios; prints each violation with the seed and the
// scenario's parameters, and one "scenario=i violations=k" line per scenario.
int runScenarios(const Options &o)
{
    Answers boxes;
    int total = 0;
    for (int index = o.first + o.offset; index < o.first + o.scenarios; index += o.stride) {
        boxes.titles.clear();
        const harness::Plan plan = harness::drawPlan(o.seed, index);
        const harness::Outcome out = harness::runScenario(plan);
        const QStringList violations = harness::checkScenario(plan, out);
        const QString params = plan.describe();
        for (const QString &v : violations)
            std::printf("VIOLATION seed=%llu scenario=%d: %s\n  params: %s\n", static_cast<unsigned long long>(o.seed),
                        index, qPrintable(v), qPrintable(params));
        if (!violations.isEmpty()) {
            for (size_t i = 0; i < plan.auctions.size() && i < out.auctions.size(); ++i) {
                const harness::AuctionOutcome &a = out.auctions[i];
                std::printf("  auction %s: posts %s; row status %d max $%.2f; log: %s\n",
                            qPrintable(plan.auctions[i].item),
                            qPrintable(harness::describePosts(plan, out, static_cast<int>(i))), a.status, a.rowMaxBid,
                            qPrintable(a.log.join(QStringLiteral(" | "))));
            }
            QStringList notes = out.notes;
            for (const QString &title : boxes.titles)
                notes << QStringLiteral("box \"%1\"").arg(title);
            if (!notes.isEmpty())
                std::printf("  notes: %s\n", qPrintable(notes.join(QStringLiteral("; "))));
            std::printf("  reproduce: snipe_harness --seed %llu --first %d --scenarios 1 --jobs 1\n",
                        static_cast<unsigned long long>(o.seed), index);
        }
        std::printf("scenario=%d violations=%d\n", index, static_cast<int>(violations.size()));
        std::fflush(stdout);
        total += static_cast<int>(violations.size());
    }
    return total;
}

// Several workers at once, each its own process: the engine, its clock and its settings are one
// per process, and a scenario's clock moves must not reach another's snipes.
int runWorkers(const Options &o, int &done)
{
    const int jobs = std::min(o.jobs, std::max(1, o.scenarios));
    std::vector<std::unique_ptr<QProcess>> workers;
    int violations = 0;
    int running = 0;
    QEventLoop loop;
    for (int k = 0; k < jobs; ++k) {
        auto p = std::make_unique<QProcess>();
        QProcess *w = p.get();
        w->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        const auto drain = [w, &violations, &done, &o] {
            while (w->canReadLine()) {
                const QString line = QString::fromUtf8(w->readLine());
                if (line.startsWith(QLatin1String("scenario="))) {
                    ++done;
                    violations += line.section(QLatin1String("violations="), 1).trimmed().toInt();
                    if (done % 10 == 0 || done == o.scenarios)
                        std::fprintf(stderr, "snipe_harness: %d/%d scenarios, %d violations\n", done, o.scenarios,
                                     violations);
                    continue;
                }
                std::fputs(qPrintable(line), stdout);
                std::fflush(stdout);
            }
        };
        QObject::connect(w, &QProcess::readyReadStandardOutput, w, drain);
        QObject::connect(w, &QProcess::finished, &loop, [drain, &running, &loop] {
            drain();
            if (--running == 0)
                loop.quit();
        });
        ++running;
        w->start(QCoreApplication::applicationFilePath(),
                 {QStringLiteral("--worker"), QStringLiteral("--seed"), QString::number(o.seed),
                  QStringLiteral("--first"), QString::number(o.first), QStringLiteral("--scenarios"),
                  QString::number(o.scenarios), QStringLiteral("--offset"), QString::number(k),
                  QStringLiteral("--stride"), QString::number(jobs)});
        workers.push_back(std::move(p));
    }
    loop.exec();
    return violations;
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    Options o;
    if (!parse(app.arguments(), o)) {
        std::fprintf(stderr, "usage: snipe_harness [--scenarios N] [--seed S] [--first I] [--jobs J]\n");
        return 2;
    }
    if (o.worker)
        return runScenarios(o) > 0 ? 1 : 0;

    std::printf("snipe_harness seed=%llu scenarios=%d first=%d jobs=%d\n", static_cast<unsigned long long>(o.seed),
                o.scenarios, o.first, o.jobs);
    std::fflush(stdout);
    int done = 0;
    int violations = 0;
    if (o.jobs == 1) {
        Options alone = o;
        alone.worker = true;
        violations = runScenarios(alone);
        done = o.scenarios;
    } else {
        violations = runWorkers(o, done);
    }
    if (done < o.scenarios) {
        // A worker that died took its scenarios with it: each one missing counts.
        std::printf("VIOLATION seed=%llu: %d scenarios did not report (a worker ended early)\n",
                    static_cast<unsigned long long>(o.seed), o.scenarios - done);
        violations += o.scenarios - done;
    }
    std::printf("scenarios=%d violations=%d seed=%llu\n", o.scenarios, violations,
                static_cast<unsigned long long>(o.seed));
    return violations > 0 ? 1 : 0;
}
