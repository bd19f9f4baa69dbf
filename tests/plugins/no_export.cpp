// A module without the handler export.
extern "C" __attribute__((visibility("default"))) const char* handle_text(const char*, const char*, const char*) {
    return "<xml>must never be called</xml>";
}
