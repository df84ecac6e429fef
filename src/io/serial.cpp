#include "io/serial.h"

#include <vector>

#include "core/errors.h"
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

std::unique_ptr<SerialLink> makeSerialLink() { return nullptr; }

}  // namespace tw
