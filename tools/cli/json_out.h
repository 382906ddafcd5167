// A small JSON writer for the verbs' --json output: keys and values in order, numbers in the C
// locale's form whatever the environment says.
#pragma once

#include <cmath>
#include <cstdio>
#include <string>

#include "model/json.h"

namespace rz::cli {

class JsonOut {
public:
    std::string s;

    JsonOut& key(const char* k) {
        sep();
        str(k);
        s += ':';
        comma_ = false;
        return *this;
    }
    JsonOut& beginObj() { return open('{'); }
    JsonOut& endObj() { return close('}'); }
    JsonOut& beginArr() { return open('['); }
    JsonOut& endArr() { return close(']'); }
    JsonOut& num(double v) {
        sep();
        if (!std::isfinite(v)) {
            s += "null";
        } else {
            char b[40];
            std::snprintf(b, sizeof b, "%.9g", v);
            s += b;
        }
        comma_ = true;
        return *this;
    }
    JsonOut& boolean(bool v) {
        sep();
        s += v ? "true" : "false";
        comma_ = true;
        return *this;
    }
    JsonOut& null() {
        sep();
        s += "null";
        comma_ = true;
        return *this;
    }
    JsonOut& str(const std::string& t) {
        sep();
        s += JsonQuoted(t);
        comma_ = true;
        return *this;
    }
    JsonOut& pair(double a, double b) { return beginArr().num(a).num(b).endArr(); }

private:
    void sep() {
        if (comma_) s += ',';
        comma_ = false;
    }
    JsonOut& open(char c) {
        sep();
        s += c;
        comma_ = false;
        return *this;
    }
    JsonOut& close(char c) {
        s += c;
        comma_ = true;
        return *this;
    }
    bool comma_ = false;
};

}  // namespace rz::cli
