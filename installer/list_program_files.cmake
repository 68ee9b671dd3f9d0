# Writes the NSIS include that names every file of the program folder:
# the macro InstallProgramFiles puts them into $INSTDIR, RemoveProgramFiles
# deletes exactly those again, so the uninstaller never removes anything
# the setup did not bring.
#   cmake -DPROGRAM_FOLDER=DIR -DOUTPUT=FILE.nsh -P list_program_files.cmake
file(GLOB_RECURSE files RELATIVE ${PROGRAM_FOLDER} LIST_DIRECTORIES false ${PROGRAM_FOLDER}/*)
list(SORT files)
if(NOT files)
  message(FATAL_ERROR "no files in the program folder ${PROGRAM_FOLDER}")
endif()

# NSIS reads $ as the start of a variable.
function(nsis_text out text)
  string(REPLACE "$" "$$" text "${text}")
  set(${out} "${text}" PARENT_SCOPE)
endfunction()

set(install "")
set(remove "")
set(folders "")
foreach(file ${files})
  get_filename_component(folder ${file} DIRECTORY)
  string(REPLACE "/" "\\" windows_file "${file}")
  string(REPLACE "/" "\\" windows_folder "${folder}")
  nsis_text(source "${PROGRAM_FOLDER}/${file}")
  nsis_text(windows_file "${windows_file}")
  nsis_text(windows_folder "${windows_folder}")
  if(folder)
    list(APPEND folders "${windows_folder}")
    string(APPEND install "  SetOutPath \"$INSTDIR\\${windows_folder}\"\n")
  else()
    string(APPEND install "  SetOutPath \"$INSTDIR\"\n")
  endif()
  string(APPEND install "  File \"${source}\"\n")
  string(APPEND remove "  Delete \"$INSTDIR\\${windows_file}\"\n")
endforeach()
# Deepest folders first, so that each is empty when it is removed.
list(REMOVE_DUPLICATES folders)
list(SORT folders ORDER DESCENDING)
foreach(folder ${folders})
  string(APPEND remove "  RMDir \"$INSTDIR\\${folder}\"\n")
endforeach()

file(WRITE ${OUTPUT}.new
  "!macro InstallProgramFiles\n${install}  SetOutPath \"$INSTDIR\"\n!macroend\n"
  "!macro RemoveProgramFiles\n${remove}!macroend\n")
file(COPY_FILE ${OUTPUT}.new ${OUTPUT} ONLY_IF_DIFFERENT)
file(REMOVE ${OUTPUT}.new)
