# The fuzz targets, each with the libraries it drives. Included by the
# libFuzzer build and by the replay of saved inputs under ctest.
set(TAV_FUZZ_TARGETS
  "archive|tav_transforms"
  "hexdoc|tav_hexedit"
  "dbase|tav_viewers_engine"
  "exports|tav_sysinfo"
  "pictures|tav_pictures"
  "search|tav_core"
  "folders|tav_platform")
