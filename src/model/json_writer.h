// A small JSON writer shared by the JSON dump and the command-line verbs: keys, values,
// arrays and objects with the commas put in; numbers with nine significant digits (non-finite
// ones as null), texts as UTF-8 (kvText converts GBK bytes).
#pragma once

#include <cmath>
#include <cstdio>
#include <string>

#include "model/gbk.h"

namespace rz {

// A text as a JSON string literal: quoted, with quotes, backslashes and control bytes escaped.
std::string JsonQuoted(const std::string& text);

class JsonWriter {
public:
    std::string s;

    void raw(const std::string& t) { s += t; }
    void sep() {
        if (needComma_) s += ',';
        needComma_ = false;
    }
    void key(const char* k) {
        sep();
        str(k);
        s += ':';
        needComma_ = false;
    }
    void open(char c) {
        s += c;
        needComma_ = false;
    }
    void close(char c) {
        s += c;
        needComma_ = true;
    }
    void beginObj(const char* k = nullptr) {
        if (k) key(k);
        else sep();
        open('{');
    }
    void endObj() { close('}'); }
    void beginArr(const char* k = nullptr) {
        if (k) key(k);
        else sep();
        open('[');
    }
    void endArr() { close(']'); }
    void str(const std::string& t) {
        s += JsonQuoted(t);
        needComma_ = true;
    }
    void num(double v) {
        if (!std::isfinite(v)) {
            s += "null";
        } else {
            char b[32];
            std::snprintf(b, sizeof b, "%.9g", v);
            s += b;
        }
        needComma_ = true;
    }
    void kv(const char* k, double v) {
        key(k);
        num(v);
    }
    void kv(const char* k, int v) {
        key(k);
        s += std::to_string(v);
        needComma_ = true;
    }
    void kv(const char* k, unsigned v) {
        key(k);
        s += std::to_string(v);
        needComma_ = true;
    }
    void kv(const char* k, bool v) {
        key(k);
        s += v ? "true" : "false";
        needComma_ = true;
    }
    void kvText(const char* k, const std::string& gbk) {
        key(k);
        str(GbkToUtf8(gbk));
        needComma_ = true;
    }
    void kvNull(const char* k) {
        key(k);
        s += "null";
        needComma_ = true;
    }
    void val(double v) {
        sep();
        num(v);
    }
    // A UTF-8 text as it is.
    void kvStr(const char* k, const std::string& utf8) {
        key(k);
        str(utf8);
    }
    void valStr(const std::string& utf8) {
        sep();
        str(utf8);
    }
    void valNull() {
        sep();
        s += "null";
        needComma_ = true;
    }

private:
    bool needComma_ = false;
};

}  // namespace rz
