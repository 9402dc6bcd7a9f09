# saver_embedded_assets(<var>): generated C++ files holding the committed sprite
# sheet and sounds as kBuiltInSheetFile, kBounceSoundFile and kAmbientSoundFile
# (each with its ...Size) and FindEmbeddedSheet, for the programs that carry them built in; their
# paths are set in <var>.
function(saver_embedded_assets var)
  set(files)
  foreach(pair "sppat_r0.bmp;kBuiltInSheetFile" "wavdat0.wav;kBounceSoundFile" "wavdat1.wav;kAmbientSoundFile")
    list(GET pair 0 file)
    list(GET pair 1 name)
    set(out ${CMAKE_CURRENT_BINARY_DIR}/embedded_${name}.cpp)
    add_custom_command(OUTPUT ${out}
      COMMAND ${CMAKE_COMMAND} -DINPUT=${CMAKE_SOURCE_DIR}/resources/${file} -DOUTPUT=${out} -DNAME=${name}
        -P ${CMAKE_SOURCE_DIR}/cmake/EmbedBytes.cmake
      DEPENDS ${CMAKE_SOURCE_DIR}/resources/${file} ${CMAKE_SOURCE_DIR}/cmake/EmbedBytes.cmake
      VERBATIM)
    list(APPEND files ${out})
  endforeach()
  list(APPEND files ${CMAKE_SOURCE_DIR}/resources/embedded_assets.cpp)
  set(${var} ${files} PARENT_SCOPE)
endfunction()
