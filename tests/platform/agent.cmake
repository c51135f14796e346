# Tests of the character service boundary: the call format, the headless
# service, the tracing layer and the recording double.

clipvoice_add_test(agent_call_format_test
    SOURCES AgentCallFormatTest.cpp
    LIBS clipvoice_platform_doubles
    LABELS unit)

clipvoice_add_test(headless_agent_service_test
    SOURCES HeadlessAgentServiceTest.cpp
    LIBS clipvoice_agent_boundary
    LABELS unit)

clipvoice_add_test(tracing_agent_service_test
    SOURCES TracingAgentServiceTest.cpp
    LIBS clipvoice_platform_doubles
    LABELS unit)

clipvoice_add_test(recording_agent_service_test
    SOURCES RecordingAgentServiceTest.cpp
    LIBS clipvoice_platform_doubles
    LABELS unit)

clipvoice_add_test(seeded_random_test
    SOURCES SeededRandomTest.cpp
    LIBS clipvoice_agent_boundary
    LABELS unit)

clipvoice_add_test(character_registry_test
    SOURCES CharacterRegistryTest.cpp
    LIBS clipvoice_agent_boundary
    LABELS unit)
