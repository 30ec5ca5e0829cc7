// Runs the EPUB validator over every file named on the command line in one Java run (the
// validator's start-up costs more than a small publication's check). Prints the
// validator's report of each file after a line "== FILE" and ends with the number of
// files that had an error or a warning as exit status (at most 100).
import com.adobe.epubcheck.tool.EpubChecker;

public class EpubCheckAll {
    public static void main(String[] args) {
        int failed = 0;
        for (String file : args) {
            System.out.println("== " + file);
            System.out.flush();
            int result = new EpubChecker().run(new String[] {file, "--failonwarnings"});
            if (result != 0)
                ++failed;
            System.out.flush();
        }
        System.exit(Math.min(failed, 100));
    }
}
