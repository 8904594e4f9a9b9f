# The archive reader's header fuzzer (rar_headers), included from
# fuzz/CMakeLists.txt after setupkit_add_fuzzer is defined.
if(SETUPKIT_FUZZ)
  foreach(lib rar)
    target_compile_options(${lib} PRIVATE -fsanitize=fuzzer-no-link ${SETUPKIT_FUZZ_FLAGS})
    if(CMAKE_CXX_COMPILER_ID MATCHES "Clang")
      get_target_property(options ${lib} COMPILE_OPTIONS)
      list(REMOVE_ITEM options -fexec-charset=CP1251)
      set_target_properties(${lib} PROPERTIES COMPILE_OPTIONS "${options}")
    endif()
  endforeach()
endif()
setupkit_add_fuzzer(rar_headers rar_headers.cpp rar)
