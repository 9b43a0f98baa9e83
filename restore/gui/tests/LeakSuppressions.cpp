// The font library Qt loads keeps a cache it never frees; the sanitizer
// build would report it at the exit of every test that draws text.
extern "C" const char* __lsan_default_suppressions();
extern "C" const char* __lsan_default_suppressions() {
  return "leak:libfontconfig.so\n";
}
