// A library that the module-handle tests load at run time.
extern "C" int qvx_probe_answer() {
    return 42;
}
