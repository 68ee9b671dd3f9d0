# Makes the setup of a later version for the upgrade test: a copy of the
# program folder in which the reader program and the shipped blacklist
# differ from the installed ones, packed by the same script under the next
# version number.
#   cmake -DPROGRAM_FOLDER=DIR -DNEXT_FOLDER=DIR -DVERSION=X.Y.Z -DMAKENSIS=PATH
#     -DSCRIPT=tarnwick.nsi -DLIST_SCRIPT=list_program_files.cmake
#     -DSETUP_FILE=OUT.exe -P make_next_version_setup.cmake
file(REMOVE_RECURSE ${NEXT_FOLDER})
file(COPY ${PROGRAM_FOLDER}/ DESTINATION ${NEXT_FOLDER})
# Bytes after the end of an image are not loaded: the program still runs.
file(APPEND ${NEXT_FOLDER}/Tarnwick.exe "next version ${VERSION}")
# A comment line, which the blacklist's readers skip.
file(APPEND ${NEXT_FOLDER}/blacklist.txt "# ${VERSION}\r\n")

set(file_list ${NEXT_FOLDER}.nsh)
execute_process(
  COMMAND ${CMAKE_COMMAND} -DPROGRAM_FOLDER=${NEXT_FOLDER} -DOUTPUT=${file_list} -P ${LIST_SCRIPT}
  COMMAND_ERROR_IS_FATAL ANY)
execute_process(
  COMMAND ${MAKENSIS} -V2 -WX -INPUTCHARSET UTF8
    -DVERSION=${VERSION} -DPROGRAM_FOLDER=${NEXT_FOLDER}
    -DPROGRAM_FILES=${file_list} -DSETUP_FILE=${SETUP_FILE} ${SCRIPT}
  COMMAND_ERROR_IS_FATAL ANY)
