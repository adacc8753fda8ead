// The engine as the launcher's main class: runs the Java contract checks in a JVM of their own and
// expects every one of them to pass.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

TEST(EngineContractTest, MainStopAndSecondaryMainKeepTheirContract) {
    const std::string command = std::string(VW_ENGINE_JAVA) + " -cp " + VW_ENGINE_JAR_PATH + ":" +
                                VW_ENGINE_TEST_CLASSES + " vaultwick.engine.ContractCheck 2>&1";
    FILE* pipe = popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::string output;
    char buffer[512];
    while (std::fgets(buffer, sizeof buffer, pipe)) output += buffer;
    int status = pclose(pipe);

    EXPECT_EQ(status, 0) << output;
    EXPECT_EQ(output.find("FAIL"), std::string::npos) << output;
    int passed = 0;
    for (std::size_t at = output.find("\nok "); at != std::string::npos; at = output.find("\nok ", at + 1)) ++passed;
    if (output.rfind("ok ", 0) == 0) ++passed;
    EXPECT_EQ(passed, 8) << output;
}
