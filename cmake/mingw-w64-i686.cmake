# 32-bit Windows, built only: the 32-bit Wine cannot be installed beside the
# 64-bit one.
set(ZTR_MINGW_ARCH i686)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
