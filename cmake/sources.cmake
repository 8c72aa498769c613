# The sources of brumel_core (no Qt in any of them), one list per folder of src/ but cli/ and
# gui/, which cli.cmake and gui.cmake build on top of it.

set(BRUMEL_PLATFORM_SOURCES
  src/platform/bitmap.cpp
  src/platform/picture_memory.cpp
  src/platform/canvas.cpp
  src/platform/error.cpp
  src/platform/number_text.cpp
  src/platform/atomic_file.cpp
  src/platform/machine_name.cpp
  src/platform/temporary_name.cpp
  src/platform/file_access.cpp
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
  src/correct/view_correction.cpp
  src/correct/correction_rows.cpp
  src/correct/fast_correction.cpp
  src/correct/sample_thresholds.cpp
  src/correct/wide_sample_lookup.cpp
  src/correct/streaming_correction.cpp
)

# The estimator: what restores a picture, read from a reduced view of it; above the engine.
set(BRUMEL_RESTORE_SOURCES
  src/restore/reduced_view.cpp
  src/restore/scan_frame.cpp
  src/restore/light_falloff.cpp
  src/restore/channel_stretch.cpp
  src/restore/channel_shadows.cpp
  src/restore/fade_evidence.cpp
  src/restore/lone_dye.cpp
  src/restore/print_tone.cpp
  src/restore/scanner_stretch.cpp
  src/restore/lost_dyes.cpp
  src/restore/estimate_restoration.cpp
  src/restore/restoration_options.cpp
)

# The format table and the loading by extension, then one folder per format: its reader and
# its writer.
set(BRUMEL_FORMATS_SOURCES
  src/formats/formats.cpp
  src/formats/file_name.cpp
  src/formats/load_image.cpp
)

set(BRUMEL_BMP_SOURCES
  src/formats/bmp/bmp_codec.cpp
)

set(BRUMEL_JPEG_SOURCES
  src/formats/jpeg/jpeg_codec.cpp
)

set(BRUMEL_PNG_SOURCES
  src/formats/png/png_unit.cpp
)

set(BRUMEL_TIFF_SOURCES
  src/formats/tiff/byte_source.cpp
  src/formats/tiff/read_tiff_tags.cpp
  src/formats/tiff/read_tiff.cpp
  src/formats/tiff/bmp2tiff.cpp
  src/formats/tiff/libtiff_source.cpp
  src/formats/tiff/libtiff_strip_encoder.cpp
  src/formats/tiff/libtiff_reader.cpp
  src/formats/tiff/tiff_reader_choice.cpp
  src/formats/tiff/libtiff_writer.cpp
)

# The batch run, above the engine and the formats.
set(BRUMEL_BATCH_SOURCES
  src/batch/batch.cpp
  src/batch/input_file_check.cpp
  src/batch/inputs_in_order.cpp
  src/batch/output_template.cpp
  src/batch/select_inputs.cpp
  src/batch/metadata_copy.cpp
  src/batch/staged_output.cpp
  src/batch/restoration_record.cpp
  src/batch/stale_files.cpp
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
  ${BRUMEL_RESTORE_SOURCES}
  ${BRUMEL_FORMATS_SOURCES}
  ${BRUMEL_BMP_SOURCES}
  ${BRUMEL_JPEG_SOURCES}
  ${BRUMEL_PNG_SOURCES}
  ${BRUMEL_TIFF_SOURCES}
  ${BRUMEL_BATCH_SOURCES}
  ${BRUMEL_UPDATE_SOURCES}
)
