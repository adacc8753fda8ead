package vaultwick.engine;

/**
 * The same engine as a main class whose secondaryMain returns a value: the number of arguments it
 * was given, so a test chooses the exit code of a later start by how many arguments it passes.
 */
public final class ReferenceEngineWithExitCode {
    private ReferenceEngineWithExitCode() {}

    public static void main(String[] args) throws Exception {
        ReferenceEngine.main(args);
    }

    public static void stop() {
        ReferenceEngine.stop();
    }

    public static int secondaryMain(String[] args) {
        ReferenceEngine.secondaryMain(args);
        return args.length;
    }
}
