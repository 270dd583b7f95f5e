#include "SyncJob.h"

#include <ctime>

#include "core/SessionState.h"

SyncJob::SyncJob(Connect connect) : connect_(std::move(connect)), session_(SessionState::kAgent) {
    session_.setWaitHook([this] { return !cancel_.load(); });
}

SyncJob::~SyncJob() {
    cancel();
    join();
}

void SyncJob::start(std::function<void()> work) {
    join();
    cancel_ = false;
    done_ = false;
    thread_ = std::thread([this, work = std::move(work)] {
        work();
        done_ = true;
    });
}

void SyncJob::join() {
    if (thread_.joinable()) thread_.join();
}

bool SyncJob::busy() {
    if (!done_) return true;
    join();  // the thread's last writes are visible after this
    return false;
}

void SyncJob::cancel() {
    cancel_ = true;
    if (meter_) meter_->cancel();
}

void SyncJob::startScan(std::string localTop, std::string remoteTop) {
    localTop_ = std::move(localTop);
    remoteTop_ = std::move(remoteTop);
    scan_.reset();
    start([this] {
        auto c = connect_(session_);
        if (c.failed()) {
            scan_.emplace(c.error());
            return;
        }
        treesync::PlanOptions options;
        std::string ignored;
        const auto excludes = treesync::Excludes::make({}, ignored);
        scan_.emplace(treesync::scanTrees(*c.value(), localTop_, remoteTop_, *excludes, options, std::time(nullptr)));
    });
}

void SyncJob::startRun(const treesync::CarryOptions& options) {
    const treesync::Plan& plan = scan_->value().plan;
    meter_ = std::make_unique<treesync::RunMeter>(plan.toSend(), treesync::bytesToSend(plan));
    tally_ = {};
    start([this, options] {
        const treesync::Scan& s = scan_->value();
        // A new connection: the one of the comparison may have idled out while the plan was read.
        std::unique_ptr<ftp::Connection> first;
        const treesync::Opener open = [this] { return connect_(session_); };
        if (ftp::Status c = treesync::reconnect(first, open); c.failed()) {
            meter_->failed(".", c.error());
            tally_.failed = s.plan.toSend();
            return;
        }
        auto failed = [this](const std::string& path, const ftp::Error& e) { meter_->failed(path, e); };
        tally_ = treesync::carryOut(first, open, localTop_, remoteTop_, s.remote.exists, s.plan, options, *meter_,
                                    failed);
    });
}
