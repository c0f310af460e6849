# Header-only libraries from the distribution (CLI11, nlohmann-json) are shared by both
# trees. The cross compiler must not see the host's /usr/include as a whole, so the Windows
# tree reaches them through a private include folder that holds only links to them.
set(ZENTA_THIRD_PARTY_INCLUDE ${CMAKE_BINARY_DIR}/third_party/include)
file(MAKE_DIRECTORY ${ZENTA_THIRD_PARTY_INCLUDE})
foreach(dir CLI nlohmann)
  if(EXISTS /usr/include/${dir} AND NOT EXISTS ${ZENTA_THIRD_PARTY_INCLUDE}/${dir})
    file(CREATE_LINK /usr/include/${dir} ${ZENTA_THIRD_PARTY_INCLUDE}/${dir} SYMBOLIC)
  endif()
endforeach()
add_library(zenta_third_party INTERFACE)
target_include_directories(zenta_third_party SYSTEM INTERFACE ${ZENTA_THIRD_PARTY_INCLUDE})
