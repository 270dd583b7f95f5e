#include "Run.h"

#include <atomic>
#include <deque>
#include <mutex>
#include <optional>
#include <thread>

namespace treesync {

namespace {

bool tooMany(const ftp::Error& e) { return e.reply.code == 421; }

// A failure the connection caused, not the file: worth a new connection and another try.
bool dropped(const ftp::Error& e) {
    using K = ftp::ErrorKind;
    return e.kind == K::Closed || e.kind == K::Connect || e.kind == K::Timeout || e.kind == K::TooSlow ||
           e.reply.code == 421 || e.reply.code == 425 || e.reply.code == 426;
}

class Queue {
public:
    explicit Queue(std::vector<Job> jobs) : jobs_(jobs.begin(), jobs.end()) {}
    std::optional<Job> take() {
        std::lock_guard lock(mutex_);
        if (jobs_.empty()) return std::nullopt;
        Job j = std::move(jobs_.front());
        jobs_.pop_front();
        return j;
    }
    void giveBack(Job j) {
        std::lock_guard lock(mutex_);
        jobs_.push_front(std::move(j));
    }

private:
    std::mutex mutex_;
    std::deque<Job> jobs_;
};

// What the workers of one run share.
struct Crew {
    Queue queue;
    std::atomic<int> alive;
    std::atomic<bool> toldLimit{false};  // the server's connection limit is told once
};

class Worker final : private FileProgress {
public:
    Worker(int id, const Opener& open, Crew& crew, FileStep& step, RunObserver& observer, const RunSettings& s)
        : id_(id), open_(open), crew_(crew), step_(step), observer_(observer), settings_(s) {}

    std::unique_ptr<ftp::Connection> connection;
    std::size_t filesSent = 0, filesFailed = 0;
    bool tookPart = false;

    void run() {
        if (!connection && !connect()) return leave();
        tookPart = true;
        while (!observer_.cancelled()) {
            auto job = crew_.queue.take();
            if (!job) break;
            const Next next = sendOne(*job);
            if (next == Next::Requeue) {  // another worker takes it, and what this one left
                job->resume = true;
                crew_.queue.giveBack(std::move(*job));
            }
            if (next != Next::Go) break;
        }
        leave();
    }

private:
    void leave() { --crew_.alive; }

    bool connect() {
        auto c = open_();
        if (c) {
            connection = std::move(c).value();
            folder_.clear();
            return true;
        }
        if (tooMany(c.error())) {
            if (!crew_.toldLimit.exchange(true))
                observer_.note("the server allows no more connections (" + c.error().reply.text +
                               "); going on with fewer");
        } else {
            observer_.note("connection " + std::to_string(id_ + 1) + " failed: " + c.error().message);
        }
        return false;
    }

    ftp::Status attempt(const Job& job, bool resume) {
        if (folder_ != job.remoteFolder) {
            if (ftp::Status s = connection->changeDirectory(job.remoteFolder); s.failed()) return s;
            folder_ = job.remoteFolder;
        }
        job_ = &job;
        return step_.send(*connection, job.localPath, job.name, resume, *this);
    }

    // Once the file is whole, the parts older versions of it left are of no use. Not removing
    // one costs nothing but space, so a refusal is told, not counted as a failure.
    void removeStaleParts(const Job& job) {
        for (const auto& part : job.staleParts)
            if (ftp::Status s = connection->deleteFile(part); s.failed())
                observer_.note(job.label + ": could not remove the old temporary file " + part + " (" +
                               s.error().message + ")");
    }

    enum class Next { Go, Leave, Requeue };

    // Leave when the connection is gone for good; Requeue when, besides, the job is not done.
    Next sendOne(const Job& job) {
        ftp::Status s = attempt(job, job.resume);
        for (int tries = 0; s.failed() && dropped(s.error()) && tries < settings_.retries && !observer_.cancelled();
             ++tries) {
            observer_.note("connection lost sending " + job.label + " (" + s.error().message + "); trying again");
            connection.reset();
            wait(settings_.pause * (tries + 1));
            if (observer_.cancelled()) break;
            auto c = open_();
            if (c.failed()) {
                if (tooMany(c.error()) && crew_.alive > 1) return Next::Requeue;
                s = c.error();
                continue;
            }
            connection = std::move(c).value();
            folder_.clear();
            s = attempt(job, true);  // the lost try may have left a part to continue
        }
        if (s) {
            ++filesSent;
            removeStaleParts(job);
        } else {
            ++filesFailed;
        }
        observer_.finished(id_, job, s);
        return connection ? Next::Go : Next::Leave;
    }

    // A pause that a cancel cuts short.
    void wait(std::chrono::milliseconds total) {
        const auto end = std::chrono::steady_clock::now() + total;
        while (!observer_.cancelled() && std::chrono::steady_clock::now() < end)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }

    void sent(std::uint64_t bytes) override { observer_.progress(id_, *job_, bytes); }
    bool cancelled() override { return observer_.cancelled(); }
    void note(const std::string& text) override { observer_.note(text); }

    int id_;
    const Opener& open_;
    Crew& crew_;
    FileStep& step_;
    RunObserver& observer_;
    const RunSettings& settings_;
    std::string folder_;  // where the connection stands; empty: not known
    const Job* job_ = nullptr;
};

}  // namespace

RunOutcome runJobs(std::unique_ptr<ftp::Connection>& first, const Opener& open, std::vector<Job> jobs, FileStep& step,
                   RunObserver& observer, const RunSettings& settings) {
    const std::size_t total = jobs.size();
    const int n = static_cast<int>(
        std::min<std::size_t>(std::clamp(settings.connections, 1, kMaxConnections), std::max<std::size_t>(total, 1)));
    Crew crew{Queue(std::move(jobs)), n};
    std::vector<std::unique_ptr<Worker>> workers;
    for (int i = 0; i < n; ++i) workers.push_back(std::make_unique<Worker>(i, open, crew, step, observer, settings));
    workers[0]->connection = std::move(first);
    {
        std::vector<std::jthread> threads;
        for (int i = 1; i < n; ++i) threads.emplace_back([w = workers[i].get()] { w->run(); });
        workers[0]->run();  // the calling thread is the first worker
    }
    RunOutcome outcome;
    for (const auto& w : workers) {
        outcome.sent += w->filesSent;
        outcome.failed += w->filesFailed;
        outcome.connections += w->tookPart ? 1 : 0;
    }
    // Left over when every connection was lost, or the run was cancelled.
    while (auto job = crew.queue.take()) {
        if (!observer.cancelled()) {
            observer.finished(0, *job, ftp::Error{ftp::ErrorKind::Connect, "no connection left to send it", {}});
            ++outcome.failed;
        }
    }
    first = std::move(workers[0]->connection);
    return outcome;
}

}  // namespace treesync
