# Text-screen glyphs: tools/mkfont converts Unifont (Japanese variant) into
# an embedded table at build time. Include this from the directory whose
# targets compile the generated source; afterwards TARNWICK_FONT_SOURCES
# names that source.
#
#   TARNWICK_SOURCE_DIR   project root (default: two levels above this file)
#   TARNWICK_UNIFONT_HEX  font file (default: the Debian package's copy)

if(NOT DEFINED TARNWICK_SOURCE_DIR)
    get_filename_component(TARNWICK_SOURCE_DIR "${CMAKE_CURRENT_LIST_DIR}/../.." ABSOLUTE)
endif()

set(TARNWICK_UNIFONT_HEX "/usr/share/unifont/unifont_jp.hex"
    CACHE FILEPATH "Unifont .hex file (Japanese variant) for the text screen")
if(NOT EXISTS "${TARNWICK_UNIFONT_HEX}")
    message(FATAL_ERROR
        "Unifont glyph file not found: ${TARNWICK_UNIFONT_HEX}\n"
        "Install the Debian package 'unifont' (apt-get install unifont), "
        "or set TARNWICK_UNIFONT_HEX to the path of unifont_jp.hex.")
endif()

add_executable(mkfont "${TARNWICK_SOURCE_DIR}/tools/mkfont.cpp")
target_compile_features(mkfont PRIVATE cxx_std_20)

set(_tw_font_out "${CMAKE_BINARY_DIR}/generated/font_data.cpp")
file(MAKE_DIRECTORY "${CMAKE_BINARY_DIR}/generated")
add_custom_command(
    OUTPUT "${_tw_font_out}"
    COMMAND mkfont "${TARNWICK_UNIFONT_HEX}" "${_tw_font_out}"
    DEPENDS mkfont "${TARNWICK_UNIFONT_HEX}"
    COMMENT "Generating text-screen glyph table"
    VERBATIM)

set(TARNWICK_FONT_SOURCES "${_tw_font_out}")
unset(_tw_font_out)
