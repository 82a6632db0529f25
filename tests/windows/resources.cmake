# Reads the resources of devlist.exe back with windres and checks the version information and the manifest.
# cmake -DWINDRES=<windres> -DDEVLIST=<devlist.exe> -DVERSION=<project version> -P resources.cmake
execute_process(COMMAND ${WINDRES} -i ${DEVLIST} -O rc OUTPUT_VARIABLE rc RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "windres cannot read the resources of ${DEVLIST}: ${result}")
endif()
string(REPLACE "." ", " numbers "${VERSION}")
set(failures "")
foreach(wanted
    "1 VERSIONINFO"
    " FILEVERSION ${numbers}, 0\n"
    " PRODUCTVERSION ${numbers}, 0\n"
    "VALUE \"FileVersion\", \"${VERSION}\""
    "VALUE \"ProductVersion\", \"${VERSION}\""
    "VALUE \"ProductName\", \"devlist\""
    "VALUE \"OriginalFilename\", \"devlist.exe\""
    "VALUE \"FileDescription\", \"devlist: "
    "VALUE \"LegalCopyright\", \"Copyright (c) the devlist authors."
    # The manifest: resource 1 of type 24, which the loader reads for a process.
    "1 24 /* RT_MANIFEST */"
    "<requestedExecutionLevel level=\"\"asInvoker\"\" uiAccess=\"\"false\"\"/>"
    "<supportedOS Id=\"\"{35138b9a-5d96-4fbd-8e2d-a2440225f93a}\"\"/>"
    "<supportedOS Id=\"\"{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}\"\"/>"
    "<supportedOS Id=\"\"{1f676c76-80e1-4239-95bb-83d0f6d0da78}\"\"/>"
    "<supportedOS Id=\"\"{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}\"\"/>"
    ">true</longPathAware>")
  string(FIND "${rc}" "${wanted}" at)
  if(at EQUAL -1)
    string(APPEND failures "  missing: ${wanted}\n")
  endif()
endforeach()
# The output is the ANSI code page's bytes: the manifest must not switch the process to another code page.
foreach(unwanted activeCodePage "uiAccess=\"\"true\"\"" requireAdministrator highestAvailable)
  string(FIND "${rc}" "${unwanted}" at)
  if(NOT at EQUAL -1)
    string(APPEND failures "  present: ${unwanted}\n")
  endif()
endforeach()
if(NOT failures STREQUAL "")
  message(FATAL_ERROR "resources of ${DEVLIST}:\n${failures}\n${rc}")
endif()
