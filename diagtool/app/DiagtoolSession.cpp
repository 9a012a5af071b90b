#include "diagtool/app/DiagtoolSession.h"

#include "diagtool/client/DriveCore.h"

#include "platform/WindowsText.h"
#include "platform/com/Com.h"

#include <chrono>
#include <cstdio>
#include <random>
#include <utility>

std::unique_ptr<DiagtoolSession> DiagtoolSession::open(std::string& error) {
    std::unique_ptr<qmplatform::System> system = qmplatform::makeDefaultSystem(error);
    if (!system) {
        return nullptr;
    }
    return std::make_unique<DiagtoolSession>(std::move(system));
}

std::wstring DiagtoolSession::newRunId() {
    // Time for order when a person reads the journal, a random part for two
    // runs within the same millisecond.
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                        std::chrono::system_clock::now().time_since_epoch())
                        .count();
    std::random_device random;
    char text[48];
    std::snprintf(text, sizeof text, "%lld-%08x", static_cast<long long>(ms),
                  static_cast<unsigned>(random()));
    return qmplatform::fromUtf8(text);
}

DiagtoolSession::DiagtoolSession(std::unique_ptr<qmplatform::System> system, std::wstring run)
    : system_(std::move(system)), binding_(*system_), text_(system_->text()), journal_(*system_),
      runJournal_(journal_, run.empty() ? newRunId() : std::move(run)),
      checks_(*system_, QMRT::driveCountForChecks(), &runJournal_) {
    // The labelling API is reached through COM on this thread; an apartment
    // the program already entered (Qt enters one for drag and drop) is kept.
    comInitialised_ = SUCCEEDED(CoInitialize(nullptr));
}

DiagtoolSession::~DiagtoolSession() {
    if (comInitialised_) {
        CoUninitialize();
    }
}
