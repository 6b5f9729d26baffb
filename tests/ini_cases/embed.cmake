# tazu_embed_ini_cases(<target>): builds the golden files of this folder into
# <target>, behind ini_cases::File(), so that the Wine tier needs no path to
# the source tree. A changed file configures the build again.
function(tazu_embed_ini_cases target)
  file(GLOB files CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/tests/ini_cases/*.ini)
  set(entries "")
  foreach(file IN LISTS files)
    file(READ ${file} hex HEX)
    string(LENGTH "${hex}" digits)
    math(EXPR size "${digits} / 2")
    string(REGEX REPLACE "([0-9a-f][0-9a-f])" "\\\\x\\1" escaped "${hex}")
    get_filename_component(name ${file} NAME)
    string(APPEND entries "        {\"${name}\", std::string(\"${escaped}\", ${size})},\n")
  endforeach()
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${files})
  set(out ${CMAKE_CURRENT_BINARY_DIR}/ini_cases_files.cpp)
  file(CONFIGURE OUTPUT ${out} @ONLY CONTENT
"// Generated from tests/ini_cases by tests/ini_cases/embed.cmake.
#include <map>

#include \"ini_cases/ini_cases.h\"

namespace ini_cases {
std::string File(const std::string& name) {
    static const std::map<std::string, std::string> files{
@entries@    };
    const auto it = files.find(name);
    return it == files.end() ? std::string(\"<no file \") + name + \">\" : it->second;
}
}  // namespace ini_cases
")
  target_sources(${target} PRIVATE ${out})
endfunction()
