# The sources of brumel_core (no Qt in any of them), one list per module.

set(BRUMEL_PLATFORM_SOURCES
  src/platform/bitmap.cpp
  src/platform/canvas.cpp
  src/platform/error.cpp
  src/platform/number_text.cpp
  src/platform/atomic_file.cpp
  src/platform/file_access.cpp
  src/platform/bmp_codec.cpp
  src/platform/application_title.cpp
  src/platform/download.cpp
)

set(BRUMEL_CORRECT_SOURCES
  src/correct/correction_settings.cpp
  src/correct/levels.cpp
  src/correct/levels_text.cpp
  src/correct/correct_bitmap.cpp
  src/correct/curve_graph.cpp
  src/correct/preview.cpp
  src/correct/correction_rows.cpp
  src/correct/fast_correction.cpp
  src/correct/sample_thresholds.cpp
  src/correct/streaming_correction.cpp
  src/correct/reduced_view.cpp
  src/correct/light_falloff.cpp
  src/correct/estimate_restoration.cpp
)

set(BRUMEL_IMAGEIO_SOURCES
  src/imageio/file_name.cpp
  src/imageio/batch.cpp
  src/imageio/load_image.cpp
  src/imageio/jpeg_codec.cpp
)

set(BRUMEL_PNG_SOURCES
  src/png/png_unit.cpp
)

set(BRUMEL_TIFF_SOURCES
  src/tiff/byte_source.cpp
  src/tiff/read_tiff_tags.cpp
  src/tiff/read_tiff.cpp
  src/tiff/bmp2tiff.cpp
)

set(BRUMEL_UPDATE_SOURCES
  src/update/bounded_file.cpp
  src/update/redirection_file.cpp
  src/update/text_lines.cpp
  src/update/update_check.cpp
  src/update/version_file.cpp
)

set(BRUMEL_CORE_SOURCES
  ${BRUMEL_PLATFORM_SOURCES}
  ${BRUMEL_CORRECT_SOURCES}
  ${BRUMEL_IMAGEIO_SOURCES}
  ${BRUMEL_PNG_SOURCES}
  ${BRUMEL_TIFF_SOURCES}
  ${BRUMEL_UPDATE_SOURCES}
)
