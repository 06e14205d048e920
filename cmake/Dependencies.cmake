# nlohmann-json is header-only. Only its own folder goes on the include path, so that a
# cross build never sees the host's other headers.
find_path(VELLOMARCH_NLOHMANN_DIR nlohmann/json.hpp
  PATHS /usr/include NO_CMAKE_FIND_ROOT_PATH NO_DEFAULT_PATH)
if(NOT VELLOMARCH_NLOHMANN_DIR)
  message(FATAL_ERROR "nlohmann/json.hpp not found: install nlohmann-json3-dev")
endif()
set(VELLOMARCH_JSON_INCLUDE ${CMAKE_BINARY_DIR}/third_party/include)
file(MAKE_DIRECTORY ${VELLOMARCH_JSON_INCLUDE})
if(NOT EXISTS ${VELLOMARCH_JSON_INCLUDE}/nlohmann)
  file(CREATE_LINK ${VELLOMARCH_NLOHMANN_DIR}/nlohmann ${VELLOMARCH_JSON_INCLUDE}/nlohmann SYMBOLIC)
endif()
add_library(vellomarch_json INTERFACE)
target_include_directories(vellomarch_json SYSTEM INTERFACE ${VELLOMARCH_JSON_INCLUDE})
