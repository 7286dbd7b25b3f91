#include "TortureRun.h"

#include "OpenAfterCrash.h"
#include "RandomWork.h"
#include "WorkerProcess.h"

#include "db/lib/EngineErrors.h"

#include <deque>
#include <filesystem>
#include <gtest/gtest.h>
#include <memory>
#include <optional>
#include <poll.h>
#include <random>
#include <thread>

namespace vorsam::test {

namespace {

using TClock = std::chrono::steady_clock;
using worker::TWorkerProcess;

const std::vector<std::string> TableNames = {"ALPHA", "BETA"};
constexpr int32_t KeysPerWorker = 30;
constexpr uint32_t LockTries = 5000; // 15 s: a lock not had by then is held by no live step
constexpr auto AnswerLimit = std::chrono::seconds(30);
constexpr uint16_t NoError = 0;

// The people of a worker's keys.
TContents KeysOf(const TContents& all, int32_t first) {
    return TContents(all.lower_bound(first), all.lower_bound(first + KeysPerWorker));
}

struct TCommand {
    TCommand(std::string text = {}, bool commitPoint = false, std::string digest = {})
        : Text(std::move(text)), CommitPoint(commitPoint), Digest(std::move(digest)) {}
    std::string Text;
    bool CommitPoint;   // once sent, the step may have been done
    std::string Digest; // of a read: the answer it must give
};

// One worker process, its oracle and the commands of its current step.
class TTortureWorker {
public:
    TTortureWorker(size_t index, const std::string& folder, bool flush, uint32_t seed,
                   const TTablesContents& contents)
        : index_(index), work_(seed, TableNames.size(), FirstKey(), KeysPerWorker), before_(contents) {
        work_.SetOracle(contents);
        std::string open = "xopen " + folder;
        for (const std::string& name : TableNames) open += " " + name;
        // Every other worker keeps almost none of its changes in memory: they wait in spill files.
        process_.SendOk(open + (flush ? " flush" : "") + " tries=" + std::to_string(LockTries) +
                        (index % 2 == 1 ? " small budget=4096" : ""));
    }

    int32_t FirstKey() const { return int32_t(index_) * 1000 + 1; }
    size_t Index() const { return index_; }
    bool Busy() const { return busy_; }
    int Descriptor() const { return process_.AnswerDescriptor(); }
    bool HasAnswer() { return process_.HasAnswer(0); }
    bool Overdue(TClock::time_point now) const { return busy_ && now - sentAt_ > AnswerLimit; }
    const std::string& CurrentCommand() const { return current_.Text; }
    // The contents of its keys before its step, and after it when its commit point was sent.
    const TTablesContents& Before() const { return before_; }
    std::optional<TTablesContents> After() const {
        return pending_ ? std::optional(work_.Oracle()) : std::nullopt;
    }
    const TStep& Step() const { return step_; }

    // Sends the next command, starting a new step when the last one has ended.
    void PostNext() {
        if (commands_.empty()) StartStep();
        current_ = commands_.front();
        commands_.pop_front();
        process_.Post(current_.Text);
        busy_ = true;
        sentAt_ = TClock::now();
        pending_ = pending_ || current_.CommitPoint;
    }

    // Takes the answer of the current command and checks it; returns the engine error it carries.
    uint16_t Receive(TTortureStats& stats) {
        std::string answer = process_.Receive();
        lastAnswer_ = answer;
        busy_ = false;
        if (answer.rfind("error ", 0) == 0) {
            uint16_t code = uint16_t(std::stoul(answer.substr(6)));
            if (code == NoError) ADD_FAILURE() << Where() << answer;
            return code;
        }
        if (!current_.Digest.empty()) {
            ++stats.Reads;
            EXPECT_EQ(answer, "ok " + current_.Digest) << Where() << "read what its oracle does not hold";
        } else {
            EXPECT_EQ(answer.substr(0, 2), "ok") << Where() << answer;
        }
        if (current_.CommitPoint) {
            before_ = work_.Oracle();
            pending_ = false;
        }
        if (commands_.empty()) ++stats.Steps;
        return NoError;
    }

    void Kill() { process_.Kill(); }
    const std::string& LastAnswer() const { return lastAnswer_; }

    std::string Where() const {
        return "worker " + std::to_string(index_) + ", step " + step_.Text() + ", command " + current_.Text +
               ": ";
    }

private:
    std::string EditText(const TEdit& edit) const {
        std::string table = std::to_string(edit.Table) + " " + std::to_string(edit.Key);
        if (!edit.Put) return "xdelete " + table;
        const TPerson& p = *edit.Put;
        return "xput " + table + " " + std::to_string(p.Value) + " " + (p.Name.empty() ? "-" : p.Name) + " " +
               std::to_string(p.Memo.size()) + " " + (p.Memo.empty() ? 'x' : p.Memo[0]);
    }

    // Now and then a read of one table's keys under a random lock level, checked against `view`.
    void MaybeRead(const TTablesContents& view) {
        static const char* levels[] = {"read", "read2", "write", "whole", "record"};
        if (work_.Random()() % 3 != 0) return;
        size_t table = work_.Random()() % view.size();
        commands_.push_back({"xread " + std::to_string(table) + " " + levels[work_.Random()() % 5] + " " +
                                 std::to_string(FirstKey()) + " " +
                                 std::to_string(FirstKey() + KeysPerWorker - 1),
                             false, ContentsDigest(view[table])});
    }

    // The commands of the next step, with reads of what the worker sees in between.
    void StartStep() {
        step_ = work_.Next();
        TTablesContents view = before_;
        std::string table = std::to_string(step_.Edits.front().Table);
        bool transaction = step_.Unit == TUnit::Transaction || step_.Unit == TUnit::RolledBack;
        if (transaction) commands_.push_back({"xstart"});
        if (step_.Unit == TUnit::LockedBatch) commands_.push_back({"xlock " + table});
        for (const TEdit& edit : step_.Edits) {
            commands_.push_back({EditText(edit), step_.Unit == TUnit::Write});
            ApplyToOracle({TUnit::Write, false, {edit}}, view);
            MaybeRead(view);
        }
        if (step_.Unit == TUnit::Transaction)
            commands_.push_back({step_.Flush ? "xcommit flush" : "xcommit", true});
        if (step_.Unit == TUnit::RolledBack) commands_.push_back({"xrollback"});
        if (step_.Unit == TUnit::LockedBatch) commands_.push_back({"xunlock " + table, true});
        MaybeRead(work_.Oracle());
    }

    size_t index_;
    TRandomWork work_;
    TWorkerProcess process_;
    TTablesContents before_;
    TStep step_;
    std::deque<TCommand> commands_;
    TCommand current_;
    bool busy_ = false;
    bool pending_ = false; // the step's commit point was sent and not yet answered
    std::string lastAnswer_;
    TClock::time_point sentAt_;
};

// The tables as the driver's process finds them.
using TTablesState = std::vector<TAfterCrash>;

class TTortureRound {
public:
    TTortureRound(const TTortureOptions& options, std::string folder, uint32_t seed, TTortureStats& stats)
        : options_(options), folder_(std::move(folder)), random_(seed), stats_(stats) {
        std::filesystem::create_directories(folder_);
        settings_.LockTries = LockTries;
        for (const std::string& name : TableNames) {
            TDataTable table(settings_, {folder_, name, false, ""});
            table.Create(PeopleDefinition(true));
        }
        for (size_t i = 0; i < options_.Workers; ++i)
            workers_.push_back(NewWorker(i, TTablesContents(TableNames.size())));
    }

    void Run(TClock::time_point end) {
        TClock::time_point nextKill = NextKillTime();
        while (!damaged_ && !::testing::Test::HasFailure() && TClock::now() < end) {
            for (auto& worker : workers_)
                if (!worker->Busy()) worker->PostNext();
            WaitForAnswers(std::min(nextKill, end));
            for (auto& worker : workers_)
                if (worker->Busy() && worker->HasAnswer()) HandleAnswer(*worker);
            CheckOverdue();
            if (TClock::now() >= nextKill && !damaged_) {
                KillOne();
                nextKill = NextKillTime();
            }
        }
        Finish();
    }

private:
    std::unique_ptr<TTortureWorker> NewWorker(size_t index, const TTablesContents& contents) {
        bool flush = random_() % 3 == 0;
        return std::make_unique<TTortureWorker>(index, folder_, flush, uint32_t(random_()), contents);
    }

    TClock::time_point NextKillTime() {
        return TClock::now() + std::chrono::microseconds(5000 + random_() % 75000);
    }

    void WaitForAnswers(TClock::time_point until) {
        std::vector<pollfd> fds;
        for (auto& worker : workers_)
            if (worker->Busy()) fds.push_back({worker->Descriptor(), POLLIN, 0});
        auto wait = std::chrono::duration_cast<std::chrono::milliseconds>(until - TClock::now()).count();
        ::poll(fds.data(), fds.size(), int(std::clamp<int64_t>(wait, 0, 50)));
    }

    void HandleAnswer(TTortureWorker& worker) {
        uint16_t code = worker.Receive(stats_);
        if (code == NoError) return;
        if (IsCorruptionError(code) && killed_) {
            damaged_ = true; // a killed worker died inside a write of the table
            return;
        }
        ADD_FAILURE() << worker.Where() << worker.LastAnswer()
                      << (killed_ ? "" : " while no worker had been killed");
    }

    void CheckOverdue() {
        for (auto& worker : workers_)
            if (worker->Overdue(TClock::now())) ADD_FAILURE() << worker->Where() << "no answer in 30 s";
    }

    // Kills a worker a random moment after its last command was sent (within a command's time, or
    // rarely a flushed commit's), checks the tables and starts another worker on its keys.
    void KillOne() {
        size_t i = random_() % workers_.size();
        if (!workers_[i]->Busy()) workers_[i]->PostNext();
        uint32_t window = random_() % 4 == 0 ? 20000 : 1500;
        std::this_thread::sleep_for(std::chrono::microseconds(random_() % window));
        workers_[i]->Kill();
        killed_ = true;
        ++stats_.Kills;
        TTablesState state = ReadTables(false);
        TTablesContents resolved = Resolve(*workers_[i], state);
        if (!damaged_) workers_[i] = NewWorker(i, resolved);
    }

    // Kills every worker at once and checks what they leave, repairing a table refused.
    void Finish() {
        for (auto& worker : workers_) {
            worker->Kill();
            ++stats_.Kills;
        }
        killed_ = true;
        TTablesState state = ReadTables(true);
        for (auto& worker : workers_) Resolve(*worker, state);
        for (const TAfterCrash& table : state) stats_.Unusable += !table.Contents;
        ++stats_.Rounds;
    }

    // With `repair` false a table refused stays as it is (the live workers hold it) and ends the round.
    TTablesState ReadTables(bool repair) {
        TTablesState state;
        for (const std::string& name : TableNames) {
            TDataTable table(settings_, {folder_, name, false, ""});
            state.push_back(OpenAfterCrash(table, repair));
            const TAfterCrash& after = state.back();
            damaged_ = damaged_ || !after.Contents;
            stats_.Accepted += after.Interrupted && !after.Repaired && after.Contents;
            stats_.Repaired += after.Repaired;
        }
        return state;
    }

    // The killed worker's keys as the tables show them, table by table: as before its step, or after it
    // once its commit point was sent. A table left in the middle of the step's write holds each of them
    // as before or after (a repaired one may have lost a memo).
    TTablesContents Resolve(const TTortureWorker& worker, const TTablesState& state) {
        TTablesContents resolved = worker.Before();
        std::optional<TTablesContents> after = worker.After();
        bool undone = false, done = false;
        bool journaled = worker.Step().Unit == TUnit::Transaction || worker.Step().Unit == TUnit::LockedBatch;
        for (size_t t = 0; t < state.size(); ++t) {
            if (!state[t].Contents) continue;
            resolved[t] = KeysOf(*state[t].Contents, worker.FirstKey());
            bool isBefore = resolved[t] == worker.Before()[t];
            bool isAfter = after && resolved[t] == (*after)[t];
            if (state[t].Interrupted && !isBefore && !isAfter && !journaled) {
                EXPECT_TRUE(EachRecordBeforeOrAfter(resolved[t], worker.Before()[t],
                                                    after ? (*after)[t] : worker.Before()[t]))
                    << worker.Where() << TableNames[t]
                    << " holds a key neither as before nor as after the step";
                continue;
            }
            EXPECT_TRUE(isBefore || isAfter) << worker.Where() << TableNames[t]
                                             << " holds its keys neither as before nor as after the step";
            undone = undone || (isBefore && !isAfter);
            done = done || (isAfter && !isBefore);
        }
        if (after) {
            stats_.Undone += undone && !done;
            stats_.Done += done && !undone;
            stats_.Mixed += undone && done;
        }
        EXPECT_FALSE(undone && done) << worker.Where() << "one table holds the step and another not";
        return resolved;
    }

    const TTortureOptions& options_;
    std::string folder_;
    std::mt19937 random_;
    TTortureStats& stats_;
    EngineSettings settings_;
    std::vector<std::unique_ptr<TTortureWorker>> workers_;
    bool killed_ = false;  // a worker was killed in this round
    bool damaged_ = false; // a table was found damaged
};

} // namespace

std::string TTortureStats::Text() const {
    return std::to_string(Rounds) + " rounds, " + std::to_string(Steps) + " steps, " + std::to_string(Reads) +
           " reads checked, " + std::to_string(Kills) + " kills (" + std::to_string(Undone) +
           " in a step left undone, " + std::to_string(Done) + " in a step left done, " +
           std::to_string(Mixed) +
           " in a commit left done in one table and not in another); after an interrupted " + "write " +
           std::to_string(Accepted) + " tables opened as they were, " + std::to_string(Repaired) +
           " repaired; " + std::to_string(Unusable) + " left unusable";
}

TRestructureStats RunRestructureTorture(const TTortureOptions& options, const std::string& folder) {
    TRestructureStats stats;
    std::mt19937 random(options.Seed);
    EngineSettings settings;
    auto table = [&] {
        return std::make_unique<TDataTable>(settings, TTableLocation{folder, "GAMMA", false, ""});
    };
    TContents contents;
    {
        auto people = table();
        people->Create(PeopleDefinition(true));
        people->Open();
        for (int32_t key = 1; key <= 60; ++key)
            PutPerson(*people,
                      {key, key, "name", std::string(size_t(key) * 37 % 1500, char('a' + key % 26))});
        contents = Contents(*people);
    }
    auto worker = std::make_unique<TWorkerProcess>();
    auto restructure = [&](uint16_t fields) {
        worker->Post("xrestructure " + folder + " GAMMA " + (fields == 4 ? "1" : "0"));
    };
    // A restructure timed whole, without a kill: how long one takes now, on this machine as loaded.
    auto timed = [&](uint16_t to) {
        TClock::time_point start = TClock::now();
        restructure(to);
        EXPECT_EQ(worker->Receive(), "ok");
        return std::chrono::duration_cast<std::chrono::microseconds>(TClock::now() - start).count();
    };
    long long took = timed(4);
    uint16_t fields = 5;
    // Kills land at random moments of a restructure of the length last timed; the time given is spent,
    // and then the run goes on until kills have landed both before the swap and after it (the load of
    // the machine changes how long a restructure takes, not what must be seen).
    const TClock::time_point end = TClock::now() + options.Total, limit = end + options.Total * 20;
    for (uint64_t round = 1;; ++round) {
        const bool covered = stats.New > 0 && stats.Kills > stats.New;
        if (TClock::now() >= (covered ? end : limit)) break;
        bool killed = false;
        if (round % 8 == 0) {
            took = (took * 3 + timed(fields)) / 4;
            ++stats.Done;
        } else {
            restructure(fields);
            std::this_thread::sleep_for(std::chrono::microseconds(random() % (took * 3 / 2 + 1)));
            killed = !worker->HasAnswer(0);
            if (killed) {
                worker->Kill();
                worker = std::make_unique<TWorkerProcess>();
                ++stats.Kills;
            } else {
                EXPECT_EQ(worker->Receive(), "ok");
                ++stats.Done;
            }
        }
        auto people = table();
        try {
            people->Open();
        } catch (const EVORSAMEngineError& e) {
            ADD_FAILURE() << "the table does not open after a restructure was killed: " << e.what();
            break;
        }
        stats.New += killed && people->GetFieldCount() != fields;
        fields = people->GetFieldCount();
        EXPECT_TRUE(fields == 4 || fields == 5) << fields;
        EXPECT_EQ(Contents(*people), contents);
        people->Close();
        EXPECT_FALSE(std::filesystem::exists(folder + "/GAMMA.SWP")) << "a swap left unsettled";
        if (::testing::Test::HasFailure()) break;
    }
    return stats;
}

TTortureStats RunTorture(const TTortureOptions& options, const std::string& folder) {
    TTortureStats stats;
    TClock::time_point end = TClock::now() + options.Total;
    for (uint32_t round = 0; TClock::now() < end && !::testing::Test::HasFailure(); ++round) {
        TTortureRound run(options, folder + "/round" + std::to_string(round), options.Seed + round, stats);
        run.Run(std::min(end, TClock::now() + options.Round));
    }
    return stats;
}

} // namespace vorsam::test
