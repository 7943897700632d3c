# Every external library the project uses, found once so that all folders
# link the same imported targets.
find_package(PkgConfig REQUIRED)
find_package(Threads REQUIRED)
find_package(JPEG REQUIRED)
find_package(PNG REQUIRED)
pkg_check_modules(GLIB REQUIRED IMPORTED_TARGET glib-2.0)
# Picture formats and their metadata: a file in a format whose library is
# missing must never be taken for something else, so all are required.
pkg_check_modules(WEBP REQUIRED IMPORTED_TARGET libwebp libwebpdemux)
pkg_check_modules(HEIF REQUIRED IMPORTED_TARGET libheif)
pkg_check_modules(EXIF REQUIRED IMPORTED_TARGET libexif)
pkg_check_modules(XML2 REQUIRED IMPORTED_TARGET libxml-2.0)

if(SKYWEAVE_GUI)
  pkg_check_modules(SDL2 REQUIRED IMPORTED_TARGET sdl2)
  pkg_check_modules(SDL2_TTF REQUIRED IMPORTED_TARGET SDL2_ttf)
  pkg_check_modules(FONTCONFIG REQUIRED IMPORTED_TARGET fontconfig)
  pkg_check_modules(GTK3 REQUIRED IMPORTED_TARGET gtk+-3.0)
  pkg_check_modules(X11 REQUIRED IMPORTED_TARGET x11)
  pkg_check_modules(XINERAMA REQUIRED IMPORTED_TARGET xinerama)
  pkg_check_modules(XRANDR REQUIRED IMPORTED_TARGET xrandr)
endif()

if(NOT SKYWEAVE_FUZZ)
  find_package(GTest REQUIRED)
  find_package(benchmark REQUIRED)
  include(GoogleTest)
endif()
