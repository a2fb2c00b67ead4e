// The file system calls of a run under test: the system's, until the test hands in a faulty double (a disk
// that is full, a rename that is refused) for what follows.
#pragma once

#include "AtomicFile.h"

class SwitchableFiles : public vault::FileOps {
public:
    // `faults` takes every later call (nullptr: the system's again); it must live as long as it is in use.
    void use(vault::FileOps* faults) { faults_ = faults; }

    ssize_t Read(int fd, void* data, std::size_t size) override {
        return faults_ != nullptr ? faults_->Read(fd, data, size) : FileOps::Read(fd, data, size);
    }
    ssize_t Write(int fd, const void* data, std::size_t size) override {
        return faults_ != nullptr ? faults_->Write(fd, data, size) : FileOps::Write(fd, data, size);
    }
    int Fsync(int fd) override { return faults_ != nullptr ? faults_->Fsync(fd) : FileOps::Fsync(fd); }
    int Rename(const char* from, const char* to) override {
        return faults_ != nullptr ? faults_->Rename(from, to) : FileOps::Rename(from, to);
    }

private:
    vault::FileOps* faults_ = nullptr;
};
