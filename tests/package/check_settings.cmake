# Fails unless configuring SOURCE with a homepage and a maintainer puts them in the package's fields, the
# metainfo and the changelog, and configuring without a homepage leaves the field and the metainfo's out.
cmake_minimum_required(VERSION 3.16)
# cmake -DSOURCE= -DAPPSTREAMCLI= -DWORK= -P check_settings.cmake

function(configure folder)
  execute_process(COMMAND ${CMAKE_COMMAND} -S "${SOURCE}" -B "${WORK}/${folder}" -DFROSTEL_TESTS=OFF ${ARGN}
                  OUTPUT_QUIET ERROR_VARIABLE err RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "configuring ${folder} failed: ${err}")
  endif()
endfunction()

file(REMOVE_RECURSE "${WORK}")
set(homepage "https://frostel.example/a?b=1&c=2")
set(maintainer "A Publisher <publisher@frostel.example>")
configure(set "-DFROSTEL_HOMEPAGE_URL=${homepage}" "-DFROSTEL_PACKAGE_MAINTAINER=${maintainer}")
configure(unset)

# CPack's settings are what go into the control fields.
file(READ "${WORK}/set/CPackConfig.cmake" cpack)
string(FIND "${cpack}" "set(CPACK_DEBIAN_PACKAGE_HOMEPAGE \"${homepage}\")" at)
string(FIND "${cpack}" "set(CPACK_PACKAGE_CONTACT \"${maintainer}\")" contact)
if(at EQUAL -1 OR contact EQUAL -1)
  message(FATAL_ERROR "the package's Homepage or Maintainer is not what was set")
endif()
file(READ "${WORK}/set/packaging/org.frostel.frostel.metainfo.xml" metainfo)
string(FIND "${metainfo}" "<url type=\"homepage\">https://frostel.example/a?b=1&amp;c=2</url>" at)
if(at EQUAL -1)
  message(FATAL_ERROR "the metainfo's homepage is not the one set, escaped:\n${metainfo}")
endif()
execute_process(COMMAND "${APPSTREAMCLI}" validate --no-net --pedantic "${WORK}/set/packaging/org.frostel.frostel.metainfo.xml"
                OUTPUT_VARIABLE said RESULT_VARIABLE failed)
if(failed OR said MATCHES "\n[EWP]: |^[EWP]: ")
  message(FATAL_ERROR "the metainfo with a homepage does not validate:\n${said}")
endif()
file(STRINGS "${WORK}/set/packaging/changelog" trailer REGEX "^ -- ")
if(NOT trailer MATCHES "^ -- ${maintainer}  ")
  message(FATAL_ERROR "the changelog is signed '${trailer}', not by ${maintainer}")
endif()

file(READ "${WORK}/unset/CPackConfig.cmake" cpack)
file(READ "${WORK}/unset/packaging/org.frostel.frostel.metainfo.xml" metainfo)
if(cpack MATCHES "CPACK_DEBIAN_PACKAGE_HOMEPAGE" OR metainfo MATCHES "<url")
  message(FATAL_ERROR "without a homepage, the package or the metainfo still names one")
endif()
# The lintian override that accepts the missing homepage goes in only when there is none.
file(READ "${WORK}/set/cmake_install.cmake" install_set)
file(READ "${WORK}/unset/cmake_install.cmake" install_unset)
if(install_set MATCHES "lintian/overrides" OR NOT install_unset MATCHES "lintian/overrides")
  message(FATAL_ERROR "the lintian override is installed with a homepage, or not without one")
endif()
file(REMOVE_RECURSE "${WORK}")
