# The XScreenSaver settings file (cmake -DXMLLINT=... -DFILE=... -P): well-formed XML, and each field the daemon
# reads, asked of the parsed document rather than matched in its text.
if(NOT XMLLINT)
  message(FATAL_ERROR "xmllint is not installed (Debian: libxml2-utils)")
endif()

function(xpath out expression)
  execute_process(COMMAND ${XMLLINT} --noout --xpath "${expression}" "${FILE}"
                  OUTPUT_VARIABLE value ERROR_VARIABLE error RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "${FILE}: nothing for ${expression} (${status}): ${error}")
  endif()
  string(STRIP "${value}" value)
  set(${out} "${value}" PARENT_SCOPE)
endfunction()

execute_process(COMMAND ${XMLLINT} --noout "${FILE}" RESULT_VARIABLE status ERROR_VARIABLE error)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "${FILE} is not well-formed XML: ${error}")
endif()

# The hack is run as /usr/libexec/xscreensaver/<name>, the name the package installs it under.
foreach(pair "string(/screensaver/@name)=frostel" "string(/screensaver/@_label)=Frostel"
        "string(/screensaver/@gl)=yes" "string(/screensaver/command/@arg)=-root"
        "string(/screensaver/boolean[@_label='Play the music']/@arg-set)=-music"
        "count(/screensaver/boolean)=1" "count(/screensaver/boolean/@arg-unset)=0"
        # The frame rate as every hack's slider gives it: the pause between frames, 30 a second by default.
        "string(/screensaver/number[@_label='Frame rate']/@arg)=--delay %" "string(/screensaver/number/@id)=delay"
        "string(/screensaver/number/@type)=slider" "string(/screensaver/number/@default)=33333"
        "string(/screensaver/number/@low)=0" "string(/screensaver/number/@convert)=invert"
        "count(/screensaver/*[name()!='command' and name()!='boolean' and name()!='number' and name()!='_description'])=0")
  string(FIND "${pair}" "=" at REVERSE)
  string(SUBSTRING "${pair}" 0 ${at} expression)
  math(EXPR at "${at} + 1")
  string(SUBSTRING "${pair}" ${at} -1 expected)
  xpath(value "${expression}")
  if(NOT value STREQUAL expected)
    message(FATAL_ERROR "${expression} is '${value}', expected '${expected}'")
  endif()
endforeach()
xpath(description "string(/screensaver/_description)")
string(LENGTH "${description}" length)
if(length LESS 80)
  message(FATAL_ERROR "the description is too short to tell what the saver shows: '${description}'")
endif()
message(STATUS "${FILE}: the settings XScreenSaver reads are there")
