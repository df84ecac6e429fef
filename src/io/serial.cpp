#include "io/serial.h"

#include <algorithm>
#include <chrono>
#include <thread>
#include <vector>

#include "core/errors.h"
#include "core/host.h"
#include "eval/expr.h"
#include "eval/numtext.h"

namespace tw {

int serialPort(std::string_view name) {
    size_t p = name.find("COM");
    p = p == std::string_view::npos ? name.size() : p + 3;
    const size_t colon = name.find(':', p);
    const std::string_view digits = name.substr(p, colon == std::string_view::npos ? std::string_view::npos : colon - p);
    const int32_t port = numtext::atoi(digits);
    if (port < 0) raise(err::IllegalFunctionCall);
    return port == 0 ? 1 : port;
}

SerialSettings serialSettings(std::string_view name) {
    SerialSettings s;
    s.port = serialPort(name);
    const size_t com = name.find("COM");
    const size_t colon = name.find(':', com == std::string_view::npos ? 0 : com + 3);
    if (colon == std::string_view::npos) raise(err::Syntax);
    std::vector<std::string_view> fields;
    std::string_view rest = name.substr(colon + 1);
    for (;;) {
        const size_t comma = rest.find(',');
        fields.push_back(trim(rest.substr(0, comma)));
        if (comma == std::string_view::npos) break;
        rest = rest.substr(comma + 1);
    }
    if (fields.size() != 5) raise(err::Syntax);
    const std::string_view speed = fields[0];
    if (speed.empty() || speed.size() > 6) raise(err::Syntax);
    for (char c : speed)
        if (!isDigit(c)) raise(err::Syntax);
    const int32_t baud = numtext::atoi(speed);
    if (baud < 110 || baud > 256000) raise(err::Syntax);
    const std::string_view parity = fields[1];
    const std::string_view data = fields[2];
    if (!((data == "8" && parity == "N") || (data == "7" && (parity == "E" || parity == "O"))))
        raise(err::Syntax);
    const std::string_view stop = fields[3];
    if (stop != "1" && stop != "1.5" && stop != "2") raise(err::Syntax);
    const std::string_view flow = fields[4];
    if (flow == "N")
        s.flow = 2;
    else if (flow == "X")
        s.flow = 3;
    else
        raise(err::Syntax);
    s.speed = std::string(speed);
    s.parity = std::string(parity);
    s.dataBits = std::string(data);
    s.stopBits = std::string(stop);
    return s;
}

// ------------------------------------------------------------ port

namespace {
// A reader that needs more than the input buffer holds may let it grow to
// this; a line longer than that is a Disk I/O error.
constexpr size_t kMaxDemand = 1u << 20;
}  // namespace

void SerialPort::pump(bool demand) {
    if (!out_.empty() && !failed_) {
        const long n = link_->write(out_);
        if (n < 0)
            failed_ = true;
        else
            out_.erase(0, static_cast<size_t>(n));
    }
    size_t limit = BufferSize;
    if (demand) {
        if (in_.size() >= kMaxDemand) raise(err::DiskIO);
        limit = kMaxDemand;
    }
    if (in_.size() >= limit) return;
    const size_t before = in_.size();
    link_->read(in_, limit - in_.size());
    arrived_ += in_.size() - before;
}

size_t SerialPort::waiting() {
    pump();
    return std::min(in_.size(), BufferSize);
}

void SerialPort::readyToSend() {
    if (failed_) raise(err::DiskIO);
    pump();
    if (!link_->partnerPresent() || out_.size() >= BufferSize) throw DeviceWait{};
}

void SerialPort::send(std::string_view text) {
    if (failed_ || text.size() > BufferSize) raise(err::DiskIO);
    out_.append(text);
    pump();
    if (failed_) raise(err::DiskIO);
}

bool SerialPort::flushOutput() {
    pump();
    return out_.empty() || failed_;
}

int SerialPort::Reader::next() {
    SerialPort& p = port_;
    if (pos_ >= p.in_.size()) p.pump(true);
    if (pos_ >= p.in_.size()) p.waitForData(host_);
    return static_cast<uint8_t>(p.in_[pos_++]);
}

int SerialPort::Reader::tryNext() {
    SerialPort& p = port_;
    if (pos_ >= p.in_.size()) p.pump(true);
    if (pos_ >= p.in_.size()) return -1;
    return static_cast<uint8_t>(p.in_[pos_++]);
}

void SerialPort::Reader::commit() {
    port_.in_.erase(0, pos_);
    pos_ = 0;
    port_.waitSince_ = -1;
}

std::string SerialPort::takeAll() {
    pump(true);
    std::string all;
    all.swap(in_);
    return all;
}

void SerialPort::waitForData(Host& host) {
    const int64_t now = host.monotonicMs();
    if (waitSince_ < 0) {
        waitSince_ = now;
    } else if (now - waitSince_ >= receiveWaitMs) {
        if (host.ask("Input data none , Wait ?", Host::RetryCancel) != Host::AnswerRetry) {
            waitSince_ = -1;
            raise(err::DiskIO);
        }
        waitSince_ = host.monotonicMs();
    }
    throw DeviceWait{};
}

void SerialPort::close(int ms) {
    using clock = std::chrono::steady_clock;
    const auto until = clock::now() + std::chrono::milliseconds(ms);
    while (!flushOutput() && clock::now() < until) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    link_->close();
}

}  // namespace tw
