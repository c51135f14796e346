# Warning, strictness and sanitizer settings shared by every target of the project.
# Targets opt in with clipvoice_apply_settings(<target>).

add_library(clipvoice_settings INTERFACE)
target_compile_options(clipvoice_settings INTERFACE
    -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor -Wold-style-cast
    -Wcast-align -Woverloaded-virtual -Wconversion -Wsign-conversion
    -Wnull-dereference -Wdouble-promotion -Wformat=2 -Wimplicit-fallthrough)
target_compile_definitions(clipvoice_settings INTERFACE
    QT_NO_CAST_FROM_ASCII
    QT_NO_CAST_TO_ASCII
    QT_NO_CONTEXTLESS_CONNECT
    QT_NO_FOREACH
    QT_STRICT_ITERATORS
    QT_DISABLE_DEPRECATED_UP_TO=0x060400)

if(CLIPVOICE_WERROR)
    target_compile_options(clipvoice_settings INTERFACE -Werror)
endif()

if(CLIPVOICE_SANITIZE)
    target_compile_options(clipvoice_settings INTERFACE
        -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
    target_link_options(clipvoice_settings INTERFACE -fsanitize=address,undefined)
endif()

function(clipvoice_apply_settings target)
    target_link_libraries(${target} PRIVATE clipvoice_settings)
endfunction()
